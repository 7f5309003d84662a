// The player window's controls in tab order, each with the name a screen reader announces.
#include "VideoPlayerWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

VideoPlayerWindow::VideoPlayerWindow(QWidget* parent) : QDialog(parent, Qt::Window) {
    setObjectName(QStringLiteral("VideoPlayerWindow"));
    setWindowTitle(QStringLiteral("录像播放"));
    resize(680, 560);

    视频画面 = new QLabel(this);
    视频画面->setObjectName(QStringLiteral("视频画面"));
    视频画面->setAccessibleName(QStringLiteral("录像画面"));
    视频画面->setAlignment(Qt::AlignCenter);
    视频画面->setMinimumSize(320, 240);
    // The picture follows the window's size, never the other way round.
    视频画面->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    视频画面->setStyleSheet(QStringLiteral("background: black;"));

    按钮录像播放 = new QPushButton(QStringLiteral("暂停"), this);
    按钮录像播放->setObjectName(QStringLiteral("按钮录像播放"));
    按钮录像播放->setAccessibleName(QStringLiteral("暂停或继续播放"));
    按钮录像播放->setShortcut(Qt::Key_Space);
    滑块条位置 = new QSlider(Qt::Horizontal, this);
    滑块条位置->setObjectName(QStringLiteral("滑块条位置"));
    滑块条位置->setAccessibleName(QStringLiteral("播放位置"));
    滑块条位置->setPageStep(10);
    标签时间 = new QLabel(QStringLiteral("00:00:00 / 00:00:00"), this);
    标签时间->setObjectName(QStringLiteral("标签时间"));
    标签播放状态 = new QLabel(this);
    标签播放状态->setObjectName(QStringLiteral("标签播放状态"));
    标签播放状态->setTextFormat(Qt::PlainText);
    按钮关闭 = new QPushButton(QStringLiteral("关闭"), this);
    按钮关闭->setObjectName(QStringLiteral("按钮关闭"));
    按钮关闭->setAccessibleName(QStringLiteral("关闭录像播放"));
    按钮关闭->setAutoDefault(false);
    connect(按钮关闭, &QPushButton::clicked, this, &QDialog::close);

    auto* controls = new QHBoxLayout;
    controls->addWidget(按钮录像播放);
    controls->addWidget(滑块条位置, 1);
    controls->addWidget(标签时间);
    auto* status = new QHBoxLayout;
    status->addWidget(标签播放状态, 1);
    status->addWidget(按钮关闭);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(视频画面, 1);
    layout->addLayout(controls);
    layout->addLayout(status);
}
