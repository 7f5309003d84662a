// The borderless window that asks for the start-up password.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

class PasswordEntryWindow : public QDialog {
    Q_OBJECT
public:
    explicit PasswordEntryWindow(QWidget* parent = nullptr);

    QLabel* 标签1;
    QLineEdit* 编辑框1;
    QPushButton* 按钮1;
    // Hidden holder of the stored password during a check.
    QLineEdit* 编辑框2;
};
