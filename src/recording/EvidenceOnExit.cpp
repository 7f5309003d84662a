// The questions before the program ends, one for the recording and one for the capture.
#include "recording/EvidenceOnExit.h"

#include "platform/ArchiveJournal.h"
#include "platform/Dialogs.h"
#include "platform/Services.h"
#include "recording/AudioRecorder.h"
#include "recording/RecordingPanel.h"
#include "recording/VideoCapture.h"
#include "recording/VideoCaptureHandlers.h"

namespace {
const QString kCaption = QStringLiteral("提示：");
}

bool MayEndRecordings(MainWindow& w, Services& s, FormState& form, AudioRecorder& recorder, VideoCapture& capture) {
    if (recorder.hasUnsavedRecording()) {
        const QString text =
            recorder.isCapturing()
                ? QStringLiteral(
                      "正在录音，录音还没有保存。\n保存：停止录音并保存；放弃：停止录音，不要它；返回：继续录音。")
                : QStringLiteral("录音还没有保存。\n保存：选择文件名保存录音；放弃：不要这段录音；返回：回到程序。");
        switch (s.dialogs.message(kCaption, text, Dialogs::Buttons::SaveDiscardCancel)) {
        case Dialogs::Answer::Save:
            StopAndSaveRecording(w, s, form, recorder);
            if (recorder.hasUnsavedRecording())
                return false;
            break;
        case Dialogs::Answer::Discard:
            if (!DiscardRecording(w, s, recorder))
                return false;
            break;
        default:
            return false;
        }
    }
    if (capture.isCapturing()) {
        const QString text = QStringLiteral("正在录像取证，录像文件 <%1>。\n"
                                            "保存：结束录像并保留文件；放弃：结束录像，不要这个文件；返回：继续录像。")
                                 .arg(capture.file());
        switch (s.dialogs.message(kCaption, text, Dialogs::Buttons::SaveDiscardCancel)) {
        case Dialogs::Answer::Save:
            StopCapture(w, s, capture);
            break;
        case Dialogs::Answer::Discard:
            if (!DiscardCapture(w, s, capture))
                return false;
            break;
        default:
            return false;
        }
    }
    return true;
}

void KeepRecordingsForNextStart(AudioRecorder& recorder, VideoCapture& capture, ArchiveJournal& journal) {
    if (capture.isCapturing()) {
        const QString file = capture.file();
        // What went wrong with the file is for the next start, which repairs it.
        capture.stop();
        journal.record({JournalEvent::Kind::CaptureFinished, {}, {file}, timemarks::journalDetails(capture.marks())});
    }
    recorder.stop();
}
