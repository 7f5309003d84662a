// Files kept aside in the recovery folder instead of being deleted: what the user gave up, held for
// 30 days, and what could not be repaired, held with a note until someone deals with it.
#pragma once

#include "platform/DurableFile.h"

#include <QDateTime>
#include <QString>

class Dialogs;

namespace setaside {

constexpr int kDiscardedKeepDays = 30;

// recovery/discarded and recovery/unrepaired of a recovery folder.
QString discardedFolder(const QString& recoveryFolder);
QString unrepairedFolder(const QString& recoveryFolder);

// The second question before something is given up, with "取消" as the default: question (which
// names what is given up) and where it goes. True only when the user answers "放弃".
bool confirmDiscard(Dialogs& dialogs, const QString& caption, const QString& question, const QString& recoveryFolder);

struct [[nodiscard]] Moved {
    QString path; // where the file is now
    durable::Result result;
    explicit operator bool() const { return result.ok(); }
};

// Moves a file the user gave up into the discarded folder, named "<yyyyMMdd-HHmmss of now>_<name>"
// so that its 30 days count from now. A file of that name already there is never replaced.
Moved discard(const QString& file, const QString& recoveryFolder, const QDateTime& now);
// Moves a file that cannot be repaired into the unrepaired folder under its own name ("(2)", "(3)", …
// when that is taken), with "<name>.txt" beside it holding note.
Moved setAsideUnrepaired(const QString& file, const QString& recoveryFolder, const QString& note);

// Removes the discarded files whose 30 days are over.
void removeExpired(const QString& recoveryFolder, const QDateTime& now);
// A line for the recovery offers, saying how many discarded recordings, captures and forms are still
// held and where; empty when there are none.
QString discardedNote(const QString& recoveryFolder);

} // namespace setaside
