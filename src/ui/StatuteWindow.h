// The window that shows the statute text at start-up until the inspector acknowledges it.
#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

class StatuteWindow : public QDialog {
    Q_OBJECT
public:
    explicit StatuteWindow(const QString& statute, QWidget* parent = nullptr);

    QPlainTextEdit* 编辑框1;
    QPushButton* 超级按钮1;

protected:
    void showEvent(QShowEvent* event) override;
};
