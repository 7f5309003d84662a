// The transcript's files in one save transaction, and the messages of its failures.
#include "transcript/TranscriptSave.h"

#include "transcript/TemplateFile.h"
#include "transcript/word/DocumentWriter.h"

#include "platform/Fingerprint.h"

#include <QFileInfo>

namespace transcript {

namespace {

QStringList filesOf(const QString& documentPath, const QString& templatePath) {
    QStringList files;
    for (const QString& path : {documentPath, templatePath}) {
        if (!path.isEmpty())
            files << path << fingerprint::sidecarPath(path);
    }
    return files;
}

} // namespace

TranscriptSave::TranscriptSave(QString caption, QString documentPath, QString templatePath, ArchiveJournal& journal,
                               JournalEvent::Kind event)
    : m_caption(std::move(caption)), m_documentPath(std::move(documentPath)), m_templatePath(std::move(templatePath)),
      m_journal(journal), m_event(event), m_template(m_documentPath.isEmpty() ? 0 : 2),
      m_save(filesOf(m_documentPath, m_templatePath)) {}

Outcome TranscriptSave::failure(const durable::Result& r) const {
    if (r.cause == durable::Cause::Busy)
        return Outcome::failure(m_caption,
                                QStringLiteral(" 这份笔录正在另一处保存（另一个窗口或命令），请稍后再试。 "));
    if (m_documentPath.isEmpty())
        return templateFailure(m_save.failedFile(), r);
    return Outcome::failure(
        m_caption,
        QStringLiteral(" 笔录WORD文件没有保存成功：无法写入文件 <%1>：%2 ").arg(m_save.failedFile(), r.text()));
}

Outcome TranscriptSave::begin() {
    const durable::Result begun = m_save.begin();
    return begun ? Outcome::success() : failure(begun);
}

bool TranscriptSave::documentExists() const {
    return !m_documentPath.isEmpty() && m_save.exists(0);
}

Outcome TranscriptSave::stageFingerprint(qsizetype file, const QString& path) {
    const durable::Result staged =
        m_save.stage(file + 1, fingerprint::sidecarLine(m_save.digest(file), QFileInfo(path).fileName()));
    return staged ? Outcome::success() : failure(staged);
}

Outcome TranscriptSave::stageDocument(word::DocumentWriter& writer) {
    const QString staging = m_save.stagingPath(0);
    if (!writer.saveAs(staging)) {
        // The writer names the file it wrote: the user knows it as the document.
        QString error = writer.lastError();
        return Outcome::failure(
            m_caption, QStringLiteral(" 笔录WORD文件没有保存成功：%1 ").arg(error.replace(staging, m_documentPath)));
    }
    if (const durable::Result staged = m_save.staged(0); !staged)
        return failure(staged);
    return stageFingerprint(0, m_documentPath);
}

Outcome TranscriptSave::stageTemplate(const QByteArray& bytes) {
    if (const durable::Result staged = m_save.stage(m_template, bytes); !staged)
        return failure(staged);
    return stageFingerprint(m_template, m_templatePath);
}

Outcome TranscriptSave::commit() {
    if (const durable::Result committed = m_save.commit(); !committed)
        return failure(committed);
    // The one place where a save of the transcript is known to be complete: every file of it is in
    // place with its fingerprint, and stays so after a kill or a power cut. The custody log and the
    // archive learn of it here, before anyone is told that it is done.
    record(m_event);
    return Outcome::success();
}

void TranscriptSave::decline() {
    record(JournalEvent::Kind::OverwriteDeclined);
}

void TranscriptSave::record(JournalEvent::Kind event) {
    QStringList files;
    if (!m_documentPath.isEmpty())
        files << m_documentPath;
    files << m_templatePath;
    m_journal.record({event, QFileInfo(m_templatePath).completeBaseName(), files});
}

} // namespace transcript
