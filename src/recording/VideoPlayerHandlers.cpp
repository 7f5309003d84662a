// The player window follows the player: the handlers only copy what it reports into the controls.
#include "recording/VideoPlayerHandlers.h"

#include "platform/Dialogs.h"
#include "platform/Services.h"
#include "platform/TimeMarks.h"
#include "recording/VideoPlayer.h"
#include "ui/VideoPlayerWindow.h"

#include <QFileInfo>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>

namespace {

const QString kCaption = QStringLiteral("提 示：");

QString timeText(qint64 ms) {
    return timemarks::offsetText(qMax<qint64>(ms, 0) / 1000);
}

void showPlaying(VideoPlayerWindow& pw, bool playing) {
    pw.按钮录像播放->setText(playing ? QStringLiteral("暂停") : QStringLiteral("播放"));
}

} // namespace

bool PlayCaptureInWindow(VideoPlayerWindow& pw, Services& s, VideoPlayer& player, const QString& path, qint64 fromMs) {
    if (const QString error = player.play(path, fromMs); !error.isEmpty()) {
        s.dialogs.message(kCaption,
                          QStringLiteral("录像 <%1> 无法从 %2 播放：%3。").arg(path, timeText(fromMs), error));
        return false;
    }
    QString status = QStringLiteral("正在从 %1 播放录像 %2").arg(timeText(fromMs), QFileInfo(path).fileName());
    if (const QString missing = player.missingParts(); !missing.isEmpty())
        status += QStringLiteral("（%1，有的内容不能播放）").arg(missing);
    pw.标签播放状态->setText(status);
    pw.视频画面->clear();
    pw.setWindowTitle(QStringLiteral("录像播放 - %1").arg(QFileInfo(path).fileName()));
    showPlaying(pw, true);
    ShowPlayerProgress(pw, player);
    pw.show();
    pw.raise();
    pw.activateWindow();
    return true;
}

void ShowPlayerProgress(VideoPlayerWindow& pw, const VideoPlayer& player) {
    if (!player.picture().isNull())
        pw.视频画面->setPixmap(QPixmap::fromImage(
            player.picture().scaled(pw.视频画面->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    const qint64 position = player.positionMs();
    const qint64 duration = player.durationMs();
    pw.标签时间->setText(timeText(position) + QStringLiteral(" / ") + timeText(duration));
    if (pw.滑块条位置->isSliderDown())
        return;
    const QSignalBlocker quiet(pw.滑块条位置);
    pw.滑块条位置->setRange(0, int(qMax<qint64>(duration, 0) / 1000));
    pw.滑块条位置->setValue(int(qMax<qint64>(position, 0) / 1000));
}

void TogglePlayerPause(VideoPlayerWindow& pw, VideoPlayer& player) {
    if (!player.isOpen())
        return;
    const QString name = QFileInfo(player.file()).fileName();
    if (player.isPaused()) {
        player.resume();
        pw.标签播放状态->setText(QStringLiteral("正在播放录像 %1").arg(name));
    } else {
        player.pause();
        pw.标签播放状态->setText(QStringLiteral("录像 %1 已暂停").arg(name));
    }
    showPlaying(pw, !player.isPaused());
}

void SeekPlayerToSlider(VideoPlayerWindow& pw, VideoPlayer& player) {
    const qint64 ms = qint64(pw.滑块条位置->sliderPosition()) * 1000;
    if (!player.seek(ms))
        pw.标签播放状态->setText(QStringLiteral("录像无法跳到 %1").arg(timeText(ms)));
}

void ShowPlayerEnded(VideoPlayerWindow& pw) {
    showPlaying(pw, false);
    pw.标签播放状态->setText(QStringLiteral("录像已播放完"));
}

void ReportPlayerFailure(VideoPlayerWindow& pw, Services& s, const VideoPlayer& player, const QString& error) {
    showPlaying(pw, false);
    const QString text = QStringLiteral("录像 <%1> 播放中断：%2。").arg(player.file(), error);
    pw.标签播放状态->setText(text);
    s.dialogs.message(kCaption, text);
}
