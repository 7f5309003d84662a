// The window in which the new start-up password is typed twice.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

class PasswordSetWindow : public QDialog {
    Q_OBJECT
public:
    explicit PasswordSetWindow(QWidget* parent = nullptr);

    QLineEdit* 编辑框1;
    QLineEdit* 编辑框2;
    QPushButton* 按钮1;
};
