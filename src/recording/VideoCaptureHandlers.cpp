// Shows and hides the capture area and drives the capture component for the 视频录像 menu.
#include "recording/VideoCaptureHandlers.h"

#include "platform/ArchiveJournal.h"
#include "platform/Clock.h"
#include "platform/DateTimeText.h"
#include "platform/Dialogs.h"
#include "platform/DurableFile.h"
#include "platform/Fingerprint.h"
#include "platform/ProgramDir.h"
#include "platform/Services.h"
#include "platform/SetAside.h"
#include "platform/Settings.h"
#include "recording/AviRepair.h"
#include "recording/CaptureFileName.h"
#include "recording/RecordingRecovery.h"
#include "recording/RecordingTime.h"
#include "recording/VideoCapture.h"
#include "ui/MainWindow.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>

namespace {

const QString kCaption = QStringLiteral("提 示：");
const QString kMarkerSuffix = QStringLiteral(".capture");
// Captures started in one second, by this program and others on the same BL directory.
constexpr int kNamesPerSecond = 1000;

void hideArea(MainWindow& w) {
    w.视频设备1->hide();
    w.标签1->hide();
}

// Finishes the running capture and reports what went wrong with its file; the journal is told of a
// capture that is kept, one the user gives up is told when it has gone. The capture's file.
QString finish(Services& s, VideoCapture& capture, bool kept = true) {
    const QString file = capture.file();
    const VideoCapture::Result stopped = capture.stop();
    if (kept)
        s.journal.record({JournalEvent::Kind::CaptureFinished, {}, {file}, timemarks::journalDetails(capture.marks())});
    if (!stopped)
        s.dialogs.message(kCaption, stopped.error);
    return file;
}

// A leftover capture that cannot be repaired is offered once: set aside with a note, or, on the
// user's word given twice, discarded. Either way it leaves BL and its marker goes, so that it never
// holds up a later start; nothing is deleted.
void offerUnrepairable(Services& s, const QString& folder, const QString& marker, const QString& file,
                       const QString& why) {
    const QString text = QStringLiteral("上次录像取证没有正常结束，录像文件 <%1> 无法修复：%2。\n"
                                        "保留到别处：原样移到 <%3/>，附上说明；放弃：不要这段录像。")
                             .arg(file, why, setaside::unrepairedFolder(folder));
    const bool discard =
        s.dialogs.message(kCaption, text, Dialogs::Buttons::SetAsideDiscard) == Dialogs::Answer::Discard &&
        setaside::confirmDiscard(s.dialogs, kCaption,
                                 QStringLiteral("确实要放弃这段无法修复的录像吗？\n录像文件：%1\n文件大小：%2 字节")
                                     .arg(file)
                                     .arg(QFileInfo(file).size()),
                                 folder);
    const QDateTime now = s.clock.now();
    const setaside::Moved moved =
        discard ? setaside::discard(file, folder, now)
                : setaside::setAsideUnrepaired(
                      file, folder,
                      QStringLiteral("录像文件 <%1> 在 %2 无法修复：%3。\n文件原样移到这里，没有改动。")
                          .arg(file, datetimetext::full(now), why));
    if (!moved) {
        const QString target = discard ? setaside::discardedFolder(folder) : setaside::unrepairedFolder(folder);
        s.dialogs.message(kCaption, QStringLiteral("录像文件 <%1> 无法移到 <%2/>：%3。\n下次启动时再提示。")
                                        .arg(file, target, moved.result.text()));
        return;
    }
    s.journal.record({discard ? JournalEvent::Kind::Discarded : JournalEvent::Kind::SetAside,
                      {},
                      {moved.path},
                      {{QStringLiteral("from"), file}}});
    QFile::remove(marker);
}

} // namespace

void StartCapture(MainWindow& w, Services& s, VideoCapture& capture) {
    w.视频设备1->show();
    w.标签1->show();
    if (capture.isCapturing())
        finish(s, capture);

    const QString blDir = programdir::blDir(s.programDir);
    if (const durable::Result made = durable::makeFolder(blDir); !made) {
        hideArea(w);
        s.dialogs.message(kCaption, QStringLiteral("录像取证无法开始：不能建立目录 <%1/>：%2").arg(blDir, made.text()));
        return;
    }
    capture.setPreview(w.视频设备1);
    capture.setTimeOverlay(ReadSetting(s.programDir, setting::CaptureTimeOverlay).trimmed() != QLatin1String("0"));
    // A capture of the same second, by this program or another, holds the name: the next one is taken.
    const QDateTime now = s.clock.now();
    VideoCapture::Result started;
    for (int n = 1; n <= kNamesPerSecond; ++n) {
        started = capture.start(captureFileName(blDir, now, n), now);
        if (!started.nameTaken)
            break;
    }
    if (!started) {
        hideArea(w);
        s.dialogs.message(kCaption, QStringLiteral("录像取证无法开始：%1").arg(started.error));
    }
}

void StopCapture(MainWindow& w, Services& s, VideoCapture& capture) {
    hideArea(w);
    if (capture.isCapturing())
        finish(s, capture);
}

void CaptureInterrupted(MainWindow& w, Services& s, const VideoCapture& capture, const QString& error,
                        const QString& file) {
    hideArea(w);
    s.journal.record({JournalEvent::Kind::CaptureFinished, {}, {file}, timemarks::journalDetails(capture.marks())});
    s.dialogs.message(kCaption, QStringLiteral("录像取证中断：%1\r\n已录下的部分保存在 <%2>").arg(error, file));
}

bool DiscardCapture(MainWindow& w, Services& s, VideoCapture& capture) {
    const QString file = capture.file();
    const QString folder = programdir::recoveryDir(s.programDir);
    const QString question =
        QStringLiteral("确实要放弃这段录像吗？\n录像文件：%1\n开始时间：%2\n录像长度：%3")
            .arg(file, datetimetext::full(capture.startTime()), RecordingTime::text(capture.seconds()));
    if (!setaside::confirmDiscard(s.dialogs, kCaption, question, folder))
        return false;
    hideArea(w);
    if (capture.isCapturing())
        finish(s, capture, false);
    const auto notMoved = [&](const QString& path, const durable::Result& result) {
        s.dialogs.message(kCaption, QStringLiteral("录像文件 <%1> 无法移到 <%2/>：%3。")
                                        .arg(path, setaside::discardedFolder(folder), result.text()));
        return false;
    };
    if (QFileInfo::exists(file)) {
        // A capture that stays where it is is a finished capture like any other.
        if (const setaside::Moved moved = DiscardEvidence(s, file); !moved) {
            s.journal.record(
                {JournalEvent::Kind::CaptureFinished, {}, {file}, timemarks::journalDetails(capture.marks())});
            return notMoved(file, moved.result);
        }
    }
    const QString sidecar = fingerprint::sidecarPath(file);
    if (QFileInfo::exists(sidecar)) {
        if (const setaside::Moved moved = setaside::discard(sidecar, folder, s.clock.now()); !moved)
            return notMoved(sidecar, moved.result);
    }
    return true;
}

void RepairInterruptedCaptures(Services& s, const QString& folder, const QStringList& leftovers) {
    const QString blDir = programdir::blDir(s.programDir);
    for (const QString& name : leftovers) {
        if (!name.endsWith(kMarkerSuffix))
            continue;
        const QString marker = folder + u'/' + name;
        // The marker is named after its capture, which is looked for in BL alone: whatever a marker
        // holds, it never leads the repair to another file.
        const QString file = blDir + u'/' + name.chopped(kMarkerSuffix.size());
        // A capture file the user has removed since leaves nothing to repair.
        if (!QFileInfo::exists(file)) {
            QFile::remove(marker);
            continue;
        }
        const avirepair::Result repaired = avirepair::repair(file, setaside::unrepairedFolder(folder));
        if (!repaired.ok) {
            offerUnrepairable(s, folder, marker, file, repaired.error);
            continue;
        }
        // A file the muxer had finished just before the end needs no word about a repair.
        QString text;
        if (repaired.repaired) {
            text = QStringLiteral("上次录像取证没有正常结束，录像文件 <%1> 已经修复：%2 帧，长 %3 秒。")
                       .arg(file)
                       .arg(repaired.frames)
                       .arg(repaired.seconds, 0, 'f', 1);
            if (repaired.damagedBytes > 0)
                text += QStringLiteral("\n文件中有 %1 字节损坏，已经跳过，损坏处前后的画面都保留了。")
                            .arg(repaired.damagedBytes);
            if (!repaired.cutAside.isEmpty())
                text += QStringLiteral("\n文件末尾不完整的部分另存在 <%1>。").arg(repaired.cutAside);
        }
        if (const durable::Result fingerprinted = fingerprint::write(file); !fingerprinted)
            text += (text.isEmpty() ? QString() : QStringLiteral("\n")) + fingerprint::failureText(file, fingerprinted);
        QFile::remove(marker);
        s.journal.record({repaired.repaired ? JournalEvent::Kind::CaptureRepaired : JournalEvent::Kind::CaptureFinished,
                          {},
                          {file}});
        if (!text.isEmpty())
            s.dialogs.message(kCaption, text);
    }
}
