// One save over several files, all or nothing: after a kill or a power cut, and once the program has
// started again, every file is of the one save or every file is as it was.
#pragma once

#include "platform/DurableFile.h"
#include "platform/FileLocks.h"
#include "platform/SaveIntent.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace durable {

// The steps: begin() checks every target and locks it, and finishes any earlier save of those
// folders that was cut off; each file's new content is staged, complete and synced, under a
// temporary name beside its target (through the durable write path); commit() keeps a second name
// for each earlier file, writes and syncs the intent record (SaveIntent.h) into each folder, and
// then renames the files into place, undoing them all when a rename fails. A save cut off before
// the record is written leaves only stale temporary files; one cut off after it is finished or
// undone at the next start, before the next save in those folders, and by `quillon verify`
// (SaveRecovery.h).
class SaveTransaction {
public:
    // The files of the save, named as the user names them; a link is followed to the file it names.
    explicit SaveTransaction(QStringList targets);
    // Without a commit, every target stays as it was and what was staged goes.
    ~SaveTransaction();
    SaveTransaction(const SaveTransaction&) = delete;
    SaveTransaction& operator=(const SaveTransaction&) = delete;

    // Before anything is written: every target must be a file of its own, in a folder that exists
    // and takes its name, and not read-only; Cause::Busy when another save holds one past waitMs.
    Result begin(int waitMs = kSaveWaitMs);
    // Whether a target is there (after begin(), which may have finished an earlier save).
    bool exists(qsizetype index) const;

    Result stage(qsizetype index, const QByteArray& bytes);
    // For a writer that writes whole files through the durable path on its own: the path it is to
    // write, beside the target; staged() takes the file it wrote.
    QString stagingPath(qsizetype index);
    Result staged(qsizetype index);
    // The SHA-256 of a staged file's content, 64 lower-case hex digits.
    const QByteArray& digest(qsizetype index) const { return m_files[index].digest; }

    Result commit();

    // The file the last failure concerns: a target as it was given, or the intent record.
    const QString& failedFile() const { return m_failedFile; }

private:
    Result failed(qsizetype index, const Result& result);
    void removeStaged();

    QStringList m_given;
    QList<StagedFile> m_files;
    QStringList m_folders;
    TargetLocks m_locks;
    QString m_failedFile;
    bool m_begun = false;
    bool m_done = false;
};

} // namespace durable
