#include "recording/EarlyStop.h"

#include "recording/AudioRecorder.h"
#include "recording/RecordingPanel.h"
#include "recording/VideoCapture.h"
#include "recording/VideoCaptureHandlers.h"

#include "ui/EarlyStopWindow.h"
#include "ui/MainWindow.h"

#include "platform/ArchiveJournal.h"
#include "platform/Dialogs.h"
#include "platform/Services.h"

#include <QLineEdit>

namespace {

// True when the recording is to stop. The officer's reason, when given, is kept with the inquiry
// open in the form, before the entry of the recording itself.
bool mayStop(MainWindow& w, Services& s, const QString& what) {
    EarlyStopWindow window(what, &w);
    s.dialogs.runModal(window);
    if (window.result() != QDialog::Accepted)
        return false;
    QList<QPair<QString, QString>> details{{QStringLiteral("recording"), what}};
    if (const QString reason = window.编辑框停止原因->text().trimmed(); !reason.isEmpty())
        details.append({QStringLiteral("reason"), reason});
    s.journal.record({JournalEvent::Kind::StoppedEarly, {}, {}, details});
    return true;
}

} // namespace

void StopRecordingAsked(MainWindow& w, Services& s, FormState& form, AudioRecorder& recorder, bool awaitsReadBack) {
    if (awaitsReadBack && recorder.isCapturing() && !mayStop(w, s, QStringLiteral("录音")))
        return;
    StopAndSaveRecording(w, s, form, recorder);
}

void StopCaptureAsked(MainWindow& w, Services& s, VideoCapture& capture, bool awaitsReadBack) {
    if (awaitsReadBack && capture.isCapturing() && !mayStop(w, s, QStringLiteral("录像")))
        return;
    StopCapture(w, s, capture);
}
