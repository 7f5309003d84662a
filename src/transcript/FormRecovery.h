// The unsaved form, kept in the recovery folder in the template format, so that a crash or a power
// cut costs at most the last half minute of typing.
#pragma once

#include "platform/DurableFile.h"
#include "transcript/TranscriptRecord.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

class MainWindow;
struct Services;

namespace transcript {

class FormRecovery {
public:
    // file: this program's recovery file, in the recovery folder.
    FormRecovery(QString programDir, QString file);

    const QString& file() const { return m_file; }

    // The form as it now is needs no recovery: the end of the start-up, a new transcript, a restored
    // form on its way to the file. Removes the recovery file.
    void setBaseline(const record::TranscriptRecord& r);
    // Writes the form to the recovery file while it holds unsaved changes: it differs from the
    // baseline and from its template in the BL directory. A saved or unchanged form removes the
    // file; a form the file already holds is not written again. Before the first baseline (the
    // start-up is still running) nothing is written.
    durable::Result keep(const record::TranscriptRecord& r);
    // Whether the form differs from the baseline and from its template in the BL directory: work
    // that a new transcript or another template would lose.
    bool holdsUnsavedWork(const record::TranscriptRecord& r) const;
    // Removes the recovery file: the program ends cleanly.
    void clear();
    // Whether a result of keep() is to be told: a failure is told once, until a write succeeds again.
    bool isNewFailure(const durable::Result& result);

private:
    QString m_programDir;
    QString m_file;
    record::TranscriptRecord m_baseline;
    bool m_hasBaseline = false;
    bool m_holds = false; // the file exists and holds m_written
    record::TranscriptRecord m_written;
    durable::Cause m_toldFailure = durable::Cause::None;
};

// The name of a program's form recovery file, from its start and its process id.
QString formRecoveryFile(const QString& folder, const QDateTime& start, qint64 processId);

// Every 30 seconds and at each page switch: the form written to the recovery file while it holds
// unsaved changes. A failure is told in a message box, once until a write succeeds again.
void KeepFormForRecovery(MainWindow& w, Services& s, FormRecovery& recovery);
// The form as it is counts as the baseline (the start, a new transcript).
void ResetFormRecovery(MainWindow& w, FormRecovery& recovery);
// At the start: a form an unclean end left among the leftovers of the recovery folder is offered;
// restored, it goes into the form and into this program's recovery file before the old file goes.
// Discarded (the user asked once more), the old file moves into the discarded folder; kept, it is
// offered again at the next start. One form is restored
// at most; others wait for the next start.
void OfferFormRecovery(MainWindow& w, Services& s, FormRecovery& recovery, const QString& folder,
                       const QStringList& leftovers);

} // namespace transcript
