// Shows and hides the capture area and drives the capture component for the 视频录像 menu.
#include "recording/VideoCaptureHandlers.h"

#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/DurableFile.h"
#include "platform/Fingerprint.h"
#include "platform/ProgramDir.h"
#include "platform/Services.h"
#include "recording/AviRepair.h"
#include "recording/CaptureFileName.h"
#include "recording/VideoCapture.h"
#include "ui/MainWindow.h"

#include <QFile>
#include <QLabel>

namespace {

const QString kCaption = QStringLiteral("提 示：");

void hideArea(MainWindow& w)
{
    w.视频设备1->hide();
    w.标签1->hide();
}

// Finishes the running capture and reports what went wrong with its file.
void finish(Services& s, VideoCapture& capture)
{
    const VideoCapture::Result stopped = capture.stop();
    if (!stopped)
        s.dialogs.message(kCaption, stopped.error);
}

} // namespace

void StartCapture(MainWindow& w, Services& s, VideoCapture& capture)
{
    w.视频设备1->show();
    w.标签1->show();
    if (capture.isCapturing())
        finish(s, capture);

    const QString blDir = programdir::blDir(s.programDir);
    if (const durable::Result made = durable::makeFolder(blDir); !made) {
        hideArea(w);
        s.dialogs.message(kCaption, QStringLiteral("录像取证无法开始：不能建立目录 <%1/>（%2）").arg(blDir, made.text()));
        return;
    }
    capture.setPreview(w.视频设备1);
    const VideoCapture::Result started = capture.start(captureFileName(blDir, s.clock.now()));
    if (!started) {
        hideArea(w);
        s.dialogs.message(kCaption, QStringLiteral("录像取证无法开始：%1").arg(started.error));
    }
}

void StopCapture(MainWindow& w, Services& s, VideoCapture& capture)
{
    hideArea(w);
    if (capture.isCapturing())
        finish(s, capture);
}

void CaptureInterrupted(MainWindow& w, Services& s, const QString& error, const QString& file)
{
    hideArea(w);
    s.dialogs.message(kCaption, QStringLiteral("录像取证中断：%1\r\n已录下的部分保存在 <%2>").arg(error, file));
}

bool DiscardCapture(MainWindow& w, Services& s, VideoCapture& capture)
{
    const QString file = capture.file();
    StopCapture(w, s, capture);
    for (const QString& path : {file, fingerprint::sidecarPath(file)}) {
        if (QFile::exists(path) && !QFile::remove(path)) {
            s.dialogs.message(kCaption, QStringLiteral("录像文件 <%1> 无法删除。").arg(path));
            return false;
        }
    }
    return true;
}

void RepairInterruptedCaptures(Services& s, const QString& folder, const QStringList& leftovers)
{
    for (const QString& name : leftovers) {
        if (!name.endsWith(QStringLiteral(".capture")))
            continue;
        const QString marker = folder + u'/' + name;
        QFile markerFile(marker);
        const QString file = markerFile.open(QIODevice::ReadOnly) ? QString::fromUtf8(markerFile.readAll()) : QString();
        markerFile.close();
        // A capture file the user has removed since leaves nothing to repair.
        if (!QFile::exists(file)) {
            QFile::remove(marker);
            continue;
        }
        const QString heading = QStringLiteral("上次录像取证没有正常结束，录像文件 <%1> ").arg(file);
        const avirepair::Result repaired = avirepair::repair(file);
        if (!repaired.ok) {
            s.dialogs.message(kCaption, heading + QStringLiteral("无法修复：%1。\n下次启动时再试。").arg(repaired.error));
            continue;
        }
        // A file the muxer had finished just before the end needs no word about a repair.
        QString text = repaired.repaired ? heading + QStringLiteral("已经修复：%1 帧，长 %2 秒。")
                                                         .arg(repaired.frames)
                                                         .arg(repaired.seconds, 0, 'f', 1)
                                         : QString();
        if (const durable::Result fingerprinted = fingerprint::write(file); !fingerprinted)
            text += (text.isEmpty() ? QString() : QStringLiteral("\n")) + fingerprint::failureText(file, fingerprinted);
        QFile::remove(marker);
        if (!text.isEmpty())
            s.dialogs.message(kCaption, text);
    }
}
