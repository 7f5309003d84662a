// Playback from a time mark through the scope that holds the evidence.
#include "archivewindow/MarkPlayback.h"

#include "archivewindow/ArchiveTables.h"
#include "archivewindow/Scopes.h"

#include "recording/AudioPlayer.h"
#include "recording/VideoPlayerHandlers.h"

#include "platform/Dialogs.h"
#include "platform/Services.h"
#include "platform/Settings.h"
#include "platform/Shell.h"
#include "platform/TimeMarks.h"
#include "ui/ArchiveWindow.h"

#include <QFileInfo>
#include <QLabel>
#include <QTableWidget>

namespace {

const QString kCaption = QStringLiteral("提 示：");

void playCapture(ArchiveWindow& aw, Services& s, const QString& path, qint64 seconds) {
    const QString at = timemarks::offsetText(seconds);
    const QString name = QFileInfo(path).fileName();
    for (const PlayerStart& player : playersFrom(path, seconds))
        if (!s.shell.findProgram({player.program}).isEmpty()) {
            if (!s.shell.startProgram({player.program}, player.arguments)) {
                s.dialogs.message(kCaption,
                                  QStringLiteral("播放器 %1 没有启动，录像 %2 没有播放。").arg(player.program, name));
                return;
            }
            aw.标签档案状态->setText(QStringLiteral("正在用 %1 从 %2 播放录像 %3").arg(player.program, at, name));
            return;
        }
    if (!s.shell.openDocument(path)) {
        s.dialogs.message(kCaption, QStringLiteral("没有能播放录像的播放器，录像 <%1> 没有播放。").arg(path));
        return;
    }
    aw.标签档案状态->setText(QStringLiteral("已用桌面的播放器打开录像 %1，请跳到 %2").arg(name, at));
}

} // namespace

QList<PlayerStart> playersFrom(const QString& path, qint64 seconds) {
    const QString at = QString::number(seconds);
    return {{QStringLiteral("mpv"), {QStringLiteral("--start=") + at, path}},
            {QStringLiteral("vlc"), {QStringLiteral("--start-time=") + at, path}},
            {QStringLiteral("ffplay"), {QStringLiteral("-ss"), at, path}}};
}

void PlayFromChosenMark(ArchiveWindow& aw, Services& s, archive::Scopes& scopes, const MarkPlayers& players) {
    const int row = aw.表格时间标记->currentRow();
    const QString inquiry = archive::chosenInquiry(aw);
    if (row < 0 || inquiry.isEmpty()) {
        s.dialogs.message(kCaption, QStringLiteral("请先在时间标记中选择一个问答。"));
        return;
    }
    const QString line = aw.表格时间标记->item(row, 0)->text();
    const QString file = aw.表格时间标记->item(row, 1)->text();
    const qint64 seconds = timemarks::parseOffset(aw.表格时间标记->item(row, 2)->text());
    scopes.chosen().withEvidence(
        aw, s, inquiry, file, [&aw, &s, players, line, seconds](const QString& path, archive::FileKind kind) {
            const QString at = timemarks::offsetText(seconds);
            if (kind == archive::FileKind::Capture) {
                if (ReadSetting(s.programDir, setting::CapturePlayer).trimmed() ==
                    QLatin1String(setting::kDesktopPlayer))
                    playCapture(aw, s, path, seconds);
                else if (PlayCaptureInWindow(players.videoWindow, s, players.video, path, seconds * 1000))
                    aw.标签档案状态->setText(
                        QStringLiteral("正在从 %1 播放录像 %2（%3）").arg(at, QFileInfo(path).fileName(), line));
                return;
            }
            if (!players.sound.play(path, seconds * 1000)) {
                s.dialogs.message(kCaption, QStringLiteral("录音 <%1> 无法从 %2 播放。").arg(path, at));
                return;
            }
            aw.标签档案状态->setText(
                QStringLiteral("正在从 %1 播放录音 %2（%3）").arg(at, QFileInfo(path).fileName(), line));
        });
}
