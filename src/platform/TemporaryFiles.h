// The temporary files of the durable write path, and the removal of those that killed programs left.
//
// A temporary file is named ".quillon-<process id>-<random>.part", and its writer holds an flock(2)
// lock on it for as long as it writes. It is stale, and removed, when nobody holds that lock, the
// process it names is no longer running, and no save's intent record in its folder still wants it.
// The process id covers the instant between creating the file and locking it, and the time a save
// keeps its finished temporary files unlocked until they are renamed; the lock covers a process
// whose id has been given to another program since. Earlier versions named no process and held no
// lock: their files are stale once unlocked and ten minutes old.
#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>

namespace durable {

// Creates a new temporary file in folder for writing, locked, with mode less the user's umask: the
// descriptor, or -1 with errno. *path is its path.
int createTemporary(const QByteArray& folder, mode_t mode, QByteArray* path);

// A temporary file's path in folder that no file has yet, for a writer that creates the file itself.
QByteArray unusedTemporaryPath(const QByteArray& folder);

// Removes the stale temporary files from folder, and the lock files of saves that nobody holds.
// Returns how many files went.
int removeStaleFiles(const QString& folder);

// removeStaleFiles for a folder about to be written, at most once a minute for each folder: a batch
// of saves into one folder would read the whole folder again for every file it writes.
void removeStaleFilesBeforeWrite(const QString& folder);

} // namespace durable
