// The check window's controls in tab order, each with the name a screen reader announces.
#include "CheckWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

CheckWindow::CheckWindow(QWidget* parent) : QDialog(parent, Qt::Window) {
    setObjectName(QStringLiteral("CheckWindow"));
    setWindowTitle(QStringLiteral("核对笔录"));
    resize(640, 420);

    标签核对结果 = new QLabel(this);
    标签核对结果->setObjectName(QStringLiteral("标签核对结果"));
    标签核对结果->setTextFormat(Qt::PlainText);
    列表问题 = new QListWidget(this);
    列表问题->setObjectName(QStringLiteral("列表问题"));
    列表问题->setAccessibleName(QStringLiteral("核对发现的问题"));
    列表问题->setToolTip(QStringLiteral("选中一个问题，光标就到笔录中要修改的地方"));
    列表问题->setWordWrap(true);
    标签核对结果->setBuddy(列表问题);

    const auto button = [this](const char* caption, const char* name) {
        auto* b = new QPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(QString::fromUtf8(name));
        b->setAccessibleName(QString::fromUtf8(caption));
        // Enter belongs to the list, where it goes to the chosen problem's field.
        b->setAutoDefault(false);
        return b;
    };
    按钮填写 = button("按身份证号码填写性别、年龄", "按钮填写");
    按钮填写->setEnabled(false);
    按钮重新核对 = button("重新核对", "按钮重新核对");
    按钮关闭 = button("关闭", "按钮关闭");
    connect(按钮关闭, &QPushButton::clicked, this, &QDialog::close);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(按钮填写);
    buttons->addStretch(1);
    buttons->addWidget(按钮重新核对);
    buttons->addWidget(按钮关闭);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(标签核对结果);
    layout->addWidget(列表问题, 1);
    layout->addLayout(buttons);
}
