// "录像播放": the program's own player of a capture. The picture, a button that pauses and goes on,
// the position in the recording as a slider and as hh:mm:ss, and a status line. Controls only; the
// handlers fill and answer them.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QSlider;

class VideoPlayerWindow : public QDialog {
    Q_OBJECT
public:
    explicit VideoPlayerWindow(QWidget* parent = nullptr);

    // The picture, scaled into the label with its proportions kept.
    QLabel* 视频画面;
    // Captioned "暂停" while the recording plays, "播放" while it is paused or has ended.
    QPushButton* 按钮录像播放;
    // The position in whole seconds, from 0 to the recording's length.
    QSlider* 滑块条位置;
    // "00:12:41 / 00:30:00": the position and the length.
    QLabel* 标签时间;
    QLabel* 标签播放状态;
    QPushButton* 按钮关闭;
};
