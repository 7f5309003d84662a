// A transcript's files saved as one: each file with its fingerprint beside it, all of them in place
// or none, never a document of one save beside the template of another.
#pragma once

#include "transcript/Outcome.h"

#include "platform/ArchiveJournal.h"
#include "platform/SaveTransaction.h"

#include <QByteArray>
#include <QString>

namespace word {
class DocumentWriter;
}

namespace transcript {

// The document and its fingerprint (unless documentPath is empty: printing saves the template
// alone), then the template and its fingerprint, through one save transaction. Failures come back
// under the caption, with the file they concern and the cause. The journal is told of the save as
// event once it is committed.
class TranscriptSave {
public:
    TranscriptSave(QString caption, QString documentPath, QString templatePath, ArchiveJournal& journal,
                   JournalEvent::Kind event);

    // Checks and locks the files; says so when another save of this transcript is running.
    Outcome begin();
    // Whether the document is there already (after begin()).
    bool documentExists() const;
    // The writer saves the composed document beside its target; its fingerprint follows.
    Outcome stageDocument(word::DocumentWriter& writer);
    Outcome stageTemplate(const QByteArray& bytes);
    // Puts every file in place, or leaves every earlier file as it was; once they are in place the
    // journal records the save before commit() returns.
    Outcome commit();
    // Tells the journal that the user kept the earlier files instead.
    void decline();

private:
    Outcome failure(const durable::Result& r) const;
    Outcome stageFingerprint(qsizetype file, const QString& path);
    void record(JournalEvent::Kind event);

    QString m_caption;
    QString m_documentPath;
    QString m_templatePath;
    ArchiveJournal& m_journal;
    JournalEvent::Kind m_event;
    qsizetype m_template; // the template's index among the transaction's files
    durable::SaveTransaction m_save;
};

} // namespace transcript
