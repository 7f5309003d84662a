#include "ui/EarlyStopWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

EarlyStopWindow::EarlyStopWindow(const QString& what, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("EarlyStopWindow"));
    setWindowTitle(what);
    标签提示 = new QLabel(QStringLiteral("%1还没有覆盖整个询问……笔录还没有宣读核对，询问还在进行。\n"
                                         "确实要停止%1吗？停止的原因（例如设备故障）会记入保管记录。")
                              .arg(what),
                          this);
    标签提示->setObjectName(QStringLiteral("标签提示"));
    标签提示->setWordWrap(true);
    编辑框停止原因 = new QLineEdit(this);
    编辑框停止原因->setObjectName(QStringLiteral("编辑框停止原因"));
    编辑框停止原因->setPlaceholderText(QStringLiteral("停止的原因（可以不填）"));
    按钮停止 = new QPushButton(QStringLiteral("停止%1").arg(what), this);
    按钮停止->setObjectName(QStringLiteral("按钮停止"));
    按钮继续 = new QPushButton(QStringLiteral("继续%1").arg(what), this);
    按钮继续->setObjectName(QStringLiteral("按钮继续"));
    按钮继续->setDefault(true);
    connect(按钮停止, &QPushButton::clicked, this, &QDialog::accept);
    connect(按钮继续, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(按钮停止);
    buttons->addWidget(按钮继续);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(标签提示);
    layout->addWidget(编辑框停止原因);
    layout->addLayout(buttons);
}
