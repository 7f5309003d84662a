// Two masked boxes and the store button on a narrow tool window.
#include "PasswordSetWindow.h"

#include <QLineEdit>
#include <QPushButton>

namespace {

QLineEdit* passwordBox(QWidget* parent, const char* name, int y) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromUtf8(name));
    box->setGeometry(16, y, 129, 20);
    box->setEchoMode(QLineEdit::Password);
    box->setAlignment(Qt::AlignCenter);
    box->setFrame(false);
    box->setStyleSheet(QStringLiteral("color: white; background-color: black;"));
    return box;
}

} // namespace

PasswordSetWindow::PasswordSetWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("PasswordSetWindow"));
    setWindowTitle(QStringLiteral("请输入2次正确密码："));
    setWindowIcon(QIcon(QStringLiteral(":/images/quillon.png")));
    setWindowFlags(Qt::Tool | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(262, 72);
    编辑框1 = passwordBox(this, "编辑框1", 13);
    编辑框2 = passwordBox(this, "编辑框2", 38);
    按钮1 = new QPushButton(QStringLiteral("加 密"), this);
    按钮1->setObjectName(QStringLiteral("按钮1"));
    按钮1->setGeometry(154, 16, 88, 38);

    // The window's caption asks for the password twice; the boxes have no captions of their own.
    编辑框1->setAccessibleName(QStringLiteral("新密码"));
    编辑框2->setAccessibleName(QStringLiteral("再次输入新密码"));
    按钮1->setAccessibleName(QStringLiteral("加密"));
}
