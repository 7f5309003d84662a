// Names of recording files, and the start-up offer of the recordings an unclean end left behind.
#include "recording/RecordingRecovery.h"

#include "platform/ArchiveJournal.h"
#include "platform/Clock.h"
#include "platform/DateTimeText.h"
#include "platform/Dialogs.h"
#include "platform/DurableFile.h"
#include "platform/Fingerprint.h"
#include "platform/ProgramDir.h"
#include "platform/Services.h"
#include "platform/SetAside.h"
#include "recording/RecordingTime.h"
#include "recording/WavFile.h"
#include "ui/FormState.h"
#include "ui/MainWindow.h"

#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QRegularExpression>

namespace {

const QString kCaption = QStringLiteral("提示：");
const QString kStampFormat = QStringLiteral("yyyyMMdd-HHmmss");

// Saves one left-over recording through the save dialog; whatever fails leaves it in the recovery folder.
void saveLeftover(MainWindow& w, Services& s, FormState& form, const QString& file) {
    const QString kept = QStringLiteral("录音仍留在恢复目录中，下次启动时再提示。");
    const QString path = s.dialogs.saveFile(w.通用对话框1, w.通用对话框1FileName);
    if (path.isEmpty()) {
        s.dialogs.message(kCaption, QStringLiteral("没有输入WAV音频文件名称，%1").arg(kept));
        return;
    }
    w.通用对话框1FileName = path;
    if (const durable::Result moved = durable::moveFile(file, path); !moved) {
        s.dialogs.message(kCaption, QStringLiteral("录音文件没有保存成功：%1\n%2。\n%3").arg(path, moved.text(), kept));
        return;
    }
    if (const durable::Result fingerprinted = fingerprint::write(path); !fingerprinted)
        s.dialogs.message(kCaption, fingerprint::failureText(path, fingerprinted));
    s.journal.record({JournalEvent::Kind::RecordingSaved, {}, {path}});
    // The status message, which the clock keeps showing, as after a recording saved from the panel.
    form.status = QStringLiteral("笔录.录音保存成功...");
    w.setStatusText(form.status);
}

} // namespace

QString recordingFileName(const QString& folder, const QDateTime& start, int n) {
    const QString base = folder + QStringLiteral("/录音-") + start.toString(kStampFormat);
    return n == 1 ? base + QStringLiteral(".wav") : base + QStringLiteral("-%1.wav").arg(n);
}

QDateTime recordingStart(const QString& fileName) {
    static const QRegularExpression pattern(QStringLiteral("^录音-(\\d{8}-\\d{6})(-\\d+)?\\.wav$"));
    const QRegularExpressionMatch match = pattern.match(fileName);
    return match.hasMatch() ? QDateTime::fromString(match.captured(1), kStampFormat) : QDateTime();
}

bool ConfirmDiscardRecording(Services& s, const QString& file, qint64 seconds) {
    const QString question =
        QStringLiteral("确实要放弃这段录音吗？\n开始时间：%1\n录音长度：%2")
            .arg(datetimetext::full(recordingStart(QFileInfo(file).fileName())), RecordingTime::text(seconds));
    return setaside::confirmDiscard(s.dialogs, kCaption, question, programdir::recoveryDir(s.programDir));
}

setaside::Moved DiscardEvidence(Services& s, const QString& file) {
    const setaside::Moved moved = setaside::discard(file, programdir::recoveryDir(s.programDir), s.clock.now());
    if (moved)
        s.journal.record({JournalEvent::Kind::Discarded, {}, {moved.path}, {{QStringLiteral("from"), file}}});
    return moved;
}

void OfferUnsavedRecordings(MainWindow& w, Services& s, FormState& form, const QString& folder,
                            const QStringList& leftovers) {
    for (const QString& name : leftovers) {
        const QDateTime start = recordingStart(name);
        if (!start.isValid())
            continue;
        const QString file = folder + u'/' + name;
        // A header that cannot be brought up to date still leaves the samples for the user to decide on.
        static_cast<void>(wav::settleSizes(file));
        const wav::Facts facts = wav::readFacts(file);
        const qint64 seconds = facts.valid ? facts.fileDataSize / facts.format.bytesPerSecond() : 0;
        // What was given up before can still be taken back from where it is held.
        const QString text =
            QStringLiteral("上次程序没有正常结束，留下一段没有保存的录音：\n"
                           "开始时间：%1\n录音长度：%2\n"
                           "保存：选择文件名保存；放弃：不要这段录音；保留：留在恢复目录中，下次启动时再提示。")
                .arg(datetimetext::full(start), RecordingTime::text(seconds)) +
            setaside::discardedNote(folder);
        switch (s.dialogs.message(kCaption, text, Dialogs::Buttons::SaveDiscardKeep)) {
        case Dialogs::Answer::Save:
            saveLeftover(w, s, form, file);
            break;
        case Dialogs::Answer::Discard:
            if (!ConfirmDiscardRecording(s, file, seconds))
                break;
            if (const setaside::Moved moved = DiscardEvidence(s, file); !moved)
                s.dialogs.message(kCaption, QStringLiteral("录音文件 <%1> 无法移到 <%2/>：%3。\n下次启动时再提示。")
                                                .arg(file, setaside::discardedFolder(folder), moved.result.text()));
            break;
        default:
            break;
        }
    }
}
