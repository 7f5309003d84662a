// Locks on the files a save is about to replace, so that two saves, in one program or in two, never
// write the same file at once.
#pragma once

#include "platform/DurableFile.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace durable {

// How long a save, or the recovery of one, waits for another save of the same files.
inline constexpr int kSaveWaitMs = 3000;

// One lock for each target file, taken with flock(2) on a lock file ".quillon-<digest of the name>.lock"
// beside it, so that a killed program's locks go with it. The holder removes the lock file before it
// lets go; whoever was waiting on the removed file sees that and takes the new one instead.
class TargetLocks {
public:
    TargetLocks() = default;
    ~TargetLocks();
    TargetLocks(const TargetLocks&) = delete;
    TargetLocks& operator=(const TargetLocks&) = delete;

    // Locks every target (the files themselves, links already followed) in one fixed order, so that
    // two saves over the same files cannot wait on each other, giving other holders up to waitMs in
    // all. Cause::Busy, holding none of them, when one is still held then; *failed names the target
    // whose lock was busy or could not be made.
    Result acquire(const QStringList& targets, int waitMs, QString* failed = nullptr);
    bool holds(const QString& target) const;
    void release();

private:
    struct Held {
        QString target;
        QByteArray lockFile;
        int fd;
    };
    QList<Held> m_held;
};

// Whether a name in a folder is one of the lock files above.
bool isLockFileName(QByteArrayView name);

// Removes a lock file that nobody holds, taking it the way a save does; false when it is held.
bool removeFreeLockFile(const QByteArray& path);

} // namespace durable
