// "核对笔录": the problems the check of the inquiry found, one a line; choosing one goes to its field
// in the form. Controls only; the handlers fill and answer them.
#pragma once

#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;

class CheckWindow : public QDialog {
    Q_OBJECT
public:
    explicit CheckWindow(QWidget* parent = nullptr);

    QLabel* 标签核对结果;
    // Each item: "栏目：问题", with the field's position in the field table as its ProblemField data.
    QListWidget* 列表问题;
    // Fills 性别 and 年龄 from the identity number where they are empty; enabled only then.
    QPushButton* 按钮填写;
    QPushButton* 按钮重新核对;
    QPushButton* 按钮关闭;

    static constexpr int ProblemField = Qt::UserRole;
};
