// What the program does to an inquiry's files, told by the command that did it, as a plain value, to
// whoever keeps the inquiry archive and the custody log. Commands never see who that is.
#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

struct JournalEvent {
    enum class Kind {
        Composed,          // a template composed into a document from the command line
        Saved,             // "保存(笔录及模板)", and the template a print saves first
        OverwriteDeclined, // the user kept the earlier document and template
        Printed,
        RecordingSaved,
        CaptureFinished,
        CaptureRepaired,
        Uploaded,
        Downloaded,
        Discarded,     // a recording or capture the user gave up, moved into the recovery folder's discarded/
        SetAside,      // a capture that could not be repaired, moved untouched into the recovery folder's unrepaired/
        Opened,        // a template loaded into the form: it is the inquiry open from now on
        NewTranscript, // the form emptied: no inquiry is open any more
        ReadBack,      // "核对完毕(宣读)": the saved transcript was read back to the interviewee
        Corrected,     // a field changed after the read-back: "field", "before", "after"
        CorrectionsPrinted, // the page "更正记录" printed after the transcript
        StoppedEarly,       // a recording or capture stopped before the read-back: "recording", "reason"
    };

    Kind kind;
    // The inquiry's base name (year.month.day-unit-name); empty for evidence, which belongs to the
    // inquiry open in the form.
    QString inquiry;
    // Full paths of the files the command wrote, printed, moved or loaded.
    QStringList files;
    // What else the event is known by, in order: "printer", "server", "remote" and their values; for
    // a file moved (Discarded, SetAside), "from" and the full path it had.
    QList<QPair<QString, QString>> details = {};
};

class ArchiveJournal {
public:
    virtual ~ArchiveJournal() = default;
    // Returns once the event is recorded on disk; what could not be recorded has been told. Safe to
    // call from several threads at once.
    virtual void record(const JournalEvent& event) = 0;
};

// Makes the journal of a program directory, for commands that learn their program directory late.
using JournalFactory = std::function<std::unique_ptr<ArchiveJournal>(const QString& programDir)>;
