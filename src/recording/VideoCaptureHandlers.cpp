// Shows and hides the capture area and drives the capture component for the 视频录像 menu.
#include "recording/VideoCaptureHandlers.h"

#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/ProgramDir.h"
#include "platform/Services.h"
#include "recording/CaptureFileName.h"
#include "recording/VideoCapture.h"
#include "ui/MainWindow.h"

#include <QDir>
#include <QLabel>

namespace {

const QString kCaption = QStringLiteral("提 示：");

void hideArea(MainWindow& w)
{
    w.视频设备1->hide();
    w.标签1->hide();
}

// Finishes the running capture and reports a file that could not be finished.
void finish(Services& s, VideoCapture& capture)
{
    const QString file = capture.file();
    const VideoCapture::Result stopped = capture.stop();
    if (!stopped)
        s.dialogs.message(kCaption, QStringLiteral("录像文件 <%1> 没有正常结束：%2").arg(file, stopped.error));
}

} // namespace

void StartCapture(MainWindow& w, Services& s, VideoCapture& capture)
{
    w.视频设备1->show();
    w.标签1->show();
    if (capture.isCapturing())
        finish(s, capture);

    const QString blDir = programdir::blDir(s.programDir);
    if (!QDir().mkpath(blDir)) {
        hideArea(w);
        s.dialogs.message(kCaption, QStringLiteral("录像取证无法开始：不能建立目录 <%1/>").arg(blDir));
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
