// Finishing a save over several files that was cut off: forward when every new file is there and
// whole, else back to the earlier files, so that nothing ever shows a mixture of two saves.
#pragma once

#include "platform/FileLocks.h"
#include "platform/SaveIntent.h"

#include <QString>
#include <QStringList>

namespace durable {

enum class [[nodiscard]] Ending{
    Finished, // every new file in place
    Undone,   // the earlier files back in place
    Stopped,  // a rename failed: the record stays for the next try
};

// Puts the new files in place; for a save whose record is written. The record goes last.
Ending finishSave(const SaveIntent& intent);
// Puts the earlier files back, removes the files the save made, and the record.
Ending undoSave(const SaveIntent& intent);
// Finishes the save when each file's new content is whole under its temporary name or already at
// its target, else undoes it.
Ending completeSave(const SaveIntent& intent);

// What completing the cut-off saves of a folder left undone, by the paths of their records.
struct [[nodiscard]] Leftovers {
    // Saves that could be neither finished nor undone (a rename failed): each record stays where it
    // is, with the files it names, for the next try.
    QStringList stopped;
    // Records that cannot be read or are no record of a save: nothing was done with them.
    QStringList unreadable;

    bool empty() const { return stopped.isEmpty() && unreadable.isEmpty(); }
};

// Completes the saves whose records are in folder, each under the locks of its files. A save whose
// files stay locked past waitMs is still running (it is putting its files in place, which takes
// moments) and is left to its program. Locks already held (by the save that asks) count as taken.
Leftovers finishInterruptedSaves(const QString& folder, const TargetLocks* held = nullptr, int waitMs = kSaveWaitMs);

// The same for the folders of the given files (as named, and where their links lead): what
// `quillon verify` does before it checks them.
Leftovers finishInterruptedSavesOf(const QStringList& files);

} // namespace durable
