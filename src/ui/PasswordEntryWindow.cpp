// Prompt, masked box and confirm button on a window without border or title bar.
#include "PasswordEntryWindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

PasswordEntryWindow::PasswordEntryWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("PasswordEntryWindow"));
    setWindowTitle(QStringLiteral("输 入 密 码："));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setFixedSize(276, 72);
    标签1 = new QLabel(QStringLiteral("请输入登陆密码："), this);
    标签1->setObjectName(QStringLiteral("标签1"));
    标签1->setGeometry(7, 2, 97, 24);
    编辑框1 = new QLineEdit(this);
    编辑框1->setObjectName(QStringLiteral("编辑框1"));
    编辑框1->setGeometry(21, 37, 144, 20);
    编辑框1->setEchoMode(QLineEdit::Password);
    编辑框1->setAlignment(Qt::AlignCenter);
    按钮1 = new QPushButton(QStringLiteral("确认密码"), this);
    按钮1->setObjectName(QStringLiteral("按钮1"));
    按钮1->setGeometry(175, 30, 88, 32);
    按钮1->setDefault(true);
    编辑框2 = new QLineEdit(this);
    编辑框2->setObjectName(QStringLiteral("编辑框2"));
    编辑框2->setGeometry(546, 102, 80, 20);

    // The prompt names the box for screen readers. The holder is out of sight and out of the
    // keyboard's reach, and masked so that it never hands the stored password to an accessibility
    // client.
    标签1->setBuddy(编辑框1);
    编辑框1->setAccessibleName(QStringLiteral("登陆密码"));
    编辑框2->setAccessibleName(QStringLiteral("保存的密码"));
    编辑框2->setFocusPolicy(Qt::NoFocus);
    编辑框2->setEchoMode(QLineEdit::Password);
}
