// The form's recovery file, written through the template writer, and its offer at the start.
#include "transcript/FormRecovery.h"

#include "transcript/FormBinding.h"
#include "transcript/TemplateFile.h"

#include "platform/Clock.h"
#include "platform/DateTimeText.h"
#include "platform/Dialogs.h"
#include "platform/Gbk.h"
#include "platform/IniProfile.h"
#include "platform/Services.h"
#include "platform/SetAside.h"
#include "ui/MainWindow.h"

#include <QFile>
#include <QFileInfo>

namespace transcript {

namespace {

const QString kCaption = QStringLiteral("提示：");
const QString kPrefix = QStringLiteral("笔录-");

// The form as a new template file holds it: every key in its order, each value on one line.
QByteArray templateBytes(const record::TranscriptRecord& r) {
    QList<QPair<QByteArray, QByteArray>> entries;
    for (std::size_t i = 0; i < record::kFields.size(); ++i)
        entries.append(
            {QByteArray(record::kFields[i].key.name().data(), qsizetype(record::kFields[i].key.name().size())),
             gbk::encode(cleanFieldText(r.values[i]))});
    return ini::update(QByteArray(), kTemplateSection, entries);
}

} // namespace

FormRecovery::FormRecovery(QString programDir, QString file)
    : m_programDir(std::move(programDir)), m_file(std::move(file)) {}

void FormRecovery::setBaseline(const record::TranscriptRecord& r) {
    m_baseline = r;
    m_hasBaseline = true;
    clear();
}

durable::Result FormRecovery::keep(const record::TranscriptRecord& r) {
    // Before the start-up has filled the form, nothing in it was typed.
    if (!m_hasBaseline)
        return {};
    if (!holdsUnsavedWork(r)) {
        clear();
        return {};
    }
    if (m_holds && r.values == m_written.values)
        return {};
    if (const durable::Result written = durable::writeFile(m_file, templateBytes(r)); !written)
        return written;
    m_written = r;
    m_holds = true;
    return {};
}

bool FormRecovery::holdsUnsavedWork(const record::TranscriptRecord& r) const {
    return m_hasBaseline && r.values != m_baseline.values &&
           r.values != readTemplate(templatePath(m_programDir, r)).values;
}

void FormRecovery::clear() {
    QFile::remove(m_file);
    m_holds = false;
}

bool FormRecovery::isNewFailure(const durable::Result& result) {
    if (result) {
        m_toldFailure = durable::Cause::None;
        return false;
    }
    if (result.cause == m_toldFailure)
        return false;
    m_toldFailure = result.cause;
    return true;
}

QString formRecoveryFile(const QString& folder, const QDateTime& start, qint64 processId) {
    return folder + u'/' + kPrefix + start.toString(QStringLiteral("yyyyMMdd-HHmmss")) + u'-' +
           QString::number(processId) + QStringLiteral(".ini");
}

void KeepFormForRecovery(MainWindow& w, Services& s, FormRecovery& recovery) {
    const durable::Result kept = recovery.keep(readForm(w));
    if (recovery.isNewFailure(kept))
        s.dialogs.message(kCaption, QStringLiteral("未保存笔录的恢复文件 <%1> 没有写成：%2。\n请尽快保存笔录。")
                                        .arg(recovery.file(), kept.text()));
}

void ResetFormRecovery(MainWindow& w, FormRecovery& recovery) {
    recovery.setBaseline(readForm(w));
}

void OfferFormRecovery(MainWindow& w, Services& s, FormRecovery& recovery, const QString& folder,
                       const QStringList& leftovers) {
    for (const QString& name : leftovers) {
        if (!name.startsWith(kPrefix) || !name.endsWith(QStringLiteral(".ini")))
            continue;
        const QString file = folder + u'/' + name;
        const record::TranscriptRecord r = readTemplate(file);
        const QString saved = datetimetext::full(QFileInfo(file).lastModified());
        const QString text =
            QStringLiteral("上次程序没有正常结束，留下一份没有保存的笔录：\n%1\n最后保存于 %2。\n"
                           "恢复：放回表单中；放弃：不要这份笔录；保留：留在恢复目录中，下次启动时再提示。")
                .arg(baseName(r), saved) +
            setaside::discardedNote(folder);
        // A box closed without a button, or ended by a signal, keeps the form for the next start.
        const Dialogs::Answer answer = s.dialogs.message(kCaption, text, Dialogs::Buttons::RestoreDiscardKeep);
        if (answer == Dialogs::Answer::Discard &&
            setaside::confirmDiscard(
                s.dialogs, kCaption,
                QStringLiteral("确实要放弃这份笔录吗？\n%1\n最后保存于 %2。").arg(baseName(r), saved), folder)) {
            if (const setaside::Moved moved = setaside::discard(file, folder, s.clock.now()); !moved)
                s.dialogs.message(kCaption, QStringLiteral("笔录恢复文件 <%1> 无法移到 <%2/>：%3。")
                                                .arg(file, setaside::discardedFolder(folder), moved.result.text()));
        }
        if (answer != Dialogs::Answer::Yes)
            continue;
        fillForm(w, r);
        // The old file goes only once this program's own file holds the form.
        const durable::Result kept = recovery.keep(readForm(w));
        if (!kept) {
            s.dialogs.message(kCaption,
                              QStringLiteral("笔录已经恢复到表单中，但恢复文件 <%1> 没有写成：%2。\n请尽快保存笔录。")
                                  .arg(recovery.file(), kept.text()));
            return;
        }
        QFile::remove(file);
        return;
    }
}

} // namespace transcript
