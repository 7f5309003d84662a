// The recording panel's handlers. The panel's state lives in the enabled and visible flags of its
// buttons and in whether 时钟1 runs; the recorder holds the sound.
#include "recording/RecordingPanel.h"

#include "platform/ArchiveJournal.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/DurableFile.h"
#include "platform/Fingerprint.h"
#include "platform/Gbk.h"
#include "platform/ProgramDir.h"
#include "platform/Services.h"
#include "platform/SetAside.h"
#include "recording/AudioPlayer.h"
#include "recording/AudioRecorder.h"
#include "recording/RecordingRecovery.h"
#include "recording/RecordingTime.h"
#include "recording/WavPathCheck.h"
#include "ui/FormState.h"
#include "ui/MainWindow.h"

#include <QFileInfo>

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

#include <algorithm>

namespace {

constexpr int ClockPeriodMs = 1000;
const QString NoticeCaption = QStringLiteral("提 示：");
const QString SaveCaption = QStringLiteral("提示：");

// Enabled flags of "录音", "暂停", "继续" and "停止保存".
struct PanelButtons {
    bool record, pause, resume, save;
};

PanelButtons panelButtons(const MainWindow& w) {
    return {w.按钮录音->isEnabled(), w.按钮暂停->isEnabled(), w.按钮继续->isEnabled(), w.按钮4->isEnabled()};
}

void setPanelButtons(MainWindow& w, const PanelButtons& b) {
    w.按钮录音->setEnabled(b.record);
    w.按钮暂停->setEnabled(b.pause);
    w.按钮继续->setEnabled(b.resume);
    w.按钮4->setEnabled(b.save);
}

// Recordings started in one second, by this program and others on the same recovery folder.
constexpr int NamesPerSecond = 1000;

qint64 recordedSeconds(const AudioRecorder& recorder) {
    return recorder.recordedBytes() / std::max(1, recorder.format().bytesPerSecond());
}

// After a stop whose last header update or sync failed.
void tellUnfinishedFile(Services& s, const AudioRecorder& recorder) {
    s.dialogs.message(SaveCaption,
                      QStringLiteral("录音文件没有写完整：%1。\n已录下的声音仍可保存。").arg(recorder.lastError()));
}

} // namespace

void OpenRecordingPanel(MainWindow& w, Services&) {
    w.分组框5->setVisible(true);
}

void CloseRecordingPanel(MainWindow& w, Services&) {
    w.分组框5->setVisible(false);
}

void StartRecording(MainWindow& w, Services& s, FormState& form, AudioRecorder& recorder, RecordingTime& time) {
    // A recording that was never saved is let go only on the user's word, given twice. Saved, it has
    // left the recovery folder.
    QString givenUp;
    if (recorder.hasUnsavedRecording()) {
        const Dialogs::Answer answer = s.dialogs.message(
            SaveCaption,
            QStringLiteral(
                "上一段录音还没有保存。\n保存：先保存它；放弃：不要它，开始新的录音；返回：不开始新的录音。"),
            Dialogs::Buttons::SaveDiscardCancel);
        if (answer == Dialogs::Answer::Cancel ||
            (answer == Dialogs::Answer::Save && !SaveRecording(w, s, form, recorder)))
            return;
        if (answer == Dialogs::Answer::Discard) {
            if (!ConfirmDiscardRecording(s, recorder.file(), recordedSeconds(recorder)))
                return;
            givenUp = recorder.file();
        }
    }

    const QString folder = programdir::recoveryDir(s.programDir);
    if (const durable::Result made = durable::makeFolder(folder); !made) {
        s.dialogs.message(NoticeCaption,
                          QStringLiteral("录音无法开始：恢复目录 <%1> 无法建立：%2。").arg(folder, made.text()));
        return;
    }
    const PanelButtons before = panelButtons(w);
    setPanelButtons(w, {false, true, true, true});
    // A recording of the same second, by this program or another on the same folder, holds the name:
    // the next one is taken.
    const QDateTime now = s.clock.now();
    bool started = false;
    recorder.setFormat(1, 8000, 16);
    for (int n = 1; n <= NamesPerSecond && !started; ++n) {
        started = recorder.start(recordingFileName(folder, now, n));
        if (recorder.startFailure() != AudioRecorder::StartFailure::NameTaken)
            break;
    }
    if (!started) {
        // Nothing records: the panel goes back to where it was, an unsaved recording still saveable.
        setPanelButtons(w, before);
        const QString text = recorder.startFailure() == AudioRecorder::StartFailure::Device
                                 ? QStringLiteral("录音无法开始：%1。\n请检查录音设备后重新录音。")
                                 : QStringLiteral("录音无法开始：%1。");
        s.dialogs.message(NoticeCaption, text.arg(recorder.lastError()));
        return;
    }
    // The new recording runs: the one the user gave up goes to the discarded folder.
    if (!givenUp.isEmpty() && QFileInfo::exists(givenUp)) {
        if (const setaside::Moved moved = DiscardEvidence(s, givenUp); !moved)
            s.dialogs.message(NoticeCaption, QStringLiteral("放弃的录音文件 <%1> 无法移到 <%2/>：%3。")
                                                 .arg(givenUp, setaside::discardedFolder(folder), moved.result.text()));
    }

    w.setStatusText(QStringLiteral("笔录.录音开始..."));
    time.reset();
    w.标签14->setText(time.text());
    w.滑块条1->setValue(w.滑块条1->minimum());
    w.时钟1->start(ClockPeriodMs);
}

void PauseRecording(MainWindow& w, Services& s, AudioRecorder& recorder) {
    if (!recorder.pause()) {
        s.dialogs.message(NoticeCaption, QStringLiteral("录音无法暂停：%1。").arg(recorder.lastError()));
        return;
    }
    w.按钮暂停->setVisible(false);
    w.按钮继续->setVisible(true);
    w.setStatusText(QStringLiteral("笔录.暂停录音..."));
    w.时钟1->stop();
}

void ContinueRecording(MainWindow& w, Services& s, AudioRecorder& recorder) {
    if (!recorder.resume()) {
        s.dialogs.message(NoticeCaption, QStringLiteral("录音无法继续：%1。").arg(recorder.lastError()));
        return;
    }
    w.按钮暂停->setVisible(true);
    w.按钮继续->setVisible(false);
    w.时钟1->start(ClockPeriodMs);
    w.setStatusText(QStringLiteral("笔录.继续录音..."));
}

void StopAndSaveRecording(MainWindow& w, Services& s, FormState& form, AudioRecorder& recorder) {
    w.按钮暂停->setEnabled(false);
    w.按钮继续->setEnabled(false);
    w.按钮录音->setEnabled(true);
    const bool finished = recorder.stop();
    w.时钟1->stop();
    w.setStatusText(QStringLiteral("录音停止！请选择保存录音笔录的文件名称..."));
    if (!finished)
        tellUnfinishedFile(s, recorder);
    SaveRecording(w, s, form, recorder);
}

bool SaveRecording(MainWindow& w, Services& s, FormState& form, AudioRecorder& recorder) {
    const QString path = s.dialogs.saveFile(w.通用对话框1, w.通用对话框1FileName);
    if (path.isEmpty()) {
        s.dialogs.message(SaveCaption, QStringLiteral("没有输入WAV音频文件名称，请重新保存。"));
        return false;
    }
    w.通用对话框1FileName = path;
    // The dialog has already asked before replacing an existing file.
    if (!recorder.save(path, true)) {
        w.setStatusText(QStringLiteral("笔录.录音保存失败..."));
        s.dialogs.message(
            SaveCaption,
            QStringLiteral("录音文件没有保存成功：%1\n%2。\n录音仍在，请重新保存。").arg(path, recorder.lastError()));
        return false;
    }
    w.按钮4->setEnabled(false);
    if (const durable::Result fingerprinted = fingerprint::write(path); !fingerprinted)
        s.dialogs.message(SaveCaption, fingerprint::failureText(path, fingerprinted));
    s.journal.record({JournalEvent::Kind::RecordingSaved, {}, {path}, timemarks::journalDetails(recorder.marks())});
    // The status message, which the clock keeps showing, as after a saved document.
    form.status = QStringLiteral("笔录.录音保存成功...");
    w.setStatusText(form.status);
    return true;
}

bool DiscardRecording(MainWindow& w, Services& s, AudioRecorder& recorder) {
    if (!recorder.hasUnsavedRecording())
        return true;
    if (!ConfirmDiscardRecording(s, recorder.file(), recordedSeconds(recorder)))
        return false;
    const QString file = recorder.file();
    recorder.release();
    w.时钟1->stop();
    setPanelButtons(w, {true, false, false, false});
    w.setStatusText(QStringLiteral("笔录.录音已放弃..."));
    // A file that cannot be moved stays in the recovery folder, where the next start offers it.
    if (const setaside::Moved moved = DiscardEvidence(s, file); !moved)
        s.dialogs.message(SaveCaption, QStringLiteral("放弃的录音文件 <%1> 无法移到 <%2/>：%3。\n下次启动时再提示。")
                                           .arg(file, setaside::discardedFolder(programdir::recoveryDir(s.programDir)),
                                                moved.result.text()));
    return true;
}

void RecordingDeviceFailed(MainWindow& w, Services& s, AudioRecorder& recorder) {
    // The capture has ended: the panel shows a stopped recording that can still be saved.
    const bool finished = recorder.stop();
    w.时钟1->stop();
    setPanelButtons(w, {true, false, false, true});
    w.setStatusText(QStringLiteral("笔录.录音已中断..."));
    s.dialogs.message(
        NoticeCaption,
        QStringLiteral("录音已中断：%1。\n中断以前的录音仍可保存，请点击“停止保存”。").arg(recorder.captureError()));
    if (!finished)
        tellUnfinishedFile(s, recorder);
}

void AdvanceRecordingTime(MainWindow& w, Services&, RecordingTime& time) {
    time.advance();
    w.标签14->setText(time.text());
    // The slider holds the value at its maximum 888.
    w.滑块条1->setValue(w.滑块条1->value() + 1);
}

void PlayRecording(MainWindow& w, Services& s, AudioPlayer& player) {
    const QString path = s.dialogs.browse(QStringLiteral(" "));
    if (path.isEmpty() || !containsWavMarker(gbk::encode(path))) {
        s.dialogs.message(NoticeCaption, QStringLiteral("音频文件不正确，请选择正确音频文件播放..."));
        return;
    }
    w.setStatusText(QStringLiteral("笔录.录音播放中..."));
    player.play(path);
}

void StopPlayback(MainWindow&, Services&, AudioPlayer& player) {
    player.stop();
}
