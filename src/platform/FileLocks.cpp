// flock(2) locks go with the open file: a killed program releases its locks with its last descriptor.
#include "FileLocks.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace durable {

namespace {

constexpr char kPrefix[] = ".quillon-";
constexpr char kSuffix[] = ".lock";
constexpr int kDigestLength = 16;
constexpr int kPollMs = 20;

QByteArray lockFileOf(const QString& target) {
    const QFileInfo info(target);
    const QByteArray digest =
        QCryptographicHash::hash(QFile::encodeName(info.fileName()), QCryptographicHash::Sha256).toHex();
    return QFile::encodeName(info.path()) + '/' + kPrefix + digest.left(kDigestLength) + kSuffix;
}

// Whether the descriptor still names the file at path: a holder removes the lock file before it lets go.
bool stillNamed(int fd, const QByteArray& path) {
    struct stat opened {};
    struct stat named {};
    return ::fstat(fd, &opened) == 0 && ::stat(path.constData(), &named) == 0 && opened.st_dev == named.st_dev &&
           opened.st_ino == named.st_ino;
}

// Takes the lock file's lock without waiting: the descriptor, -1 with errno (EWOULDBLOCK when held).
int tryLock(const QByteArray& path) {
    for (;;) {
        // Read access is all flock needs, so lock files others made can be taken too.
        const int fd = ::open(path.constData(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd < 0)
            return -1;
        // A filesystem that keeps no locks cannot keep saves apart: they go ahead as before.
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno != ENOLCK && errno != EOPNOTSUPP && errno != EINVAL) {
            const int error = errno;
            ::close(fd);
            errno = error;
            return -1;
        }
        if (stillNamed(fd, path))
            return fd;
        ::close(fd);
    }
}

} // namespace

TargetLocks::~TargetLocks() {
    release();
}

Result TargetLocks::acquire(const QStringList& targets, int waitMs, QString* failed) {
    QList<std::pair<QByteArray, QString>> wanted;
    for (const QString& target : targets) {
        if (!holds(target))
            wanted.append({lockFileOf(target), target});
    }
    std::sort(wanted.begin(), wanted.end());
    const QDeadlineTimer deadline(waitMs);
    for (const auto& [lockFile, target] : wanted) {
        if (holds(target))
            continue; // two names of one target
        int fd = -1;
        while ((fd = tryLock(lockFile)) < 0) {
            const int error = errno;
            if ((error != EWOULDBLOCK && error != EINTR) || deadline.hasExpired()) {
                release();
                if (failed)
                    *failed = target;
                return error == EWOULDBLOCK ? Result{Cause::Busy, error} : Result::failed(error);
            }
            QThread::msleep(kPollMs);
        }
        m_held.append({target, lockFile, fd});
    }
    return {};
}

bool TargetLocks::holds(const QString& target) const {
    return std::any_of(m_held.begin(), m_held.end(), [&](const Held& held) { return held.target == target; });
}

void TargetLocks::release() {
    for (const Held& held : m_held) {
        ::unlink(held.lockFile.constData());
        ::close(held.fd);
    }
    m_held.clear();
}

bool isLockFileName(QByteArrayView name) {
    const qsizetype length = qsizetype(sizeof kPrefix - 1) + kDigestLength + qsizetype(sizeof kSuffix - 1);
    if (name.size() != length || !name.startsWith(kPrefix) || !name.endsWith(kSuffix))
        return false;
    const QByteArrayView digest = name.sliced(sizeof kPrefix - 1, kDigestLength);
    return std::all_of(digest.begin(), digest.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

bool removeFreeLockFile(const QByteArray& path) {
    const int fd = tryLock(path);
    if (fd < 0)
        return false;
    ::unlink(path.constData());
    ::close(fd);
    return true;
}

} // namespace durable
