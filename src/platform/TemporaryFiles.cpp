// Temporary file names, their locks, and the sweep of what killed programs left.
#include "TemporaryFiles.h"

#include "FileLocks.h"
#include "SaveIntent.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QHash>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <memory>
#include <mutex>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace durable {

namespace {

constexpr char kPrefix[] = ".quillon-";
constexpr char kSuffix[] = ".part";
constexpr time_t kOldStyleAgeSeconds = 10 * 60;

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

bool isBase36(QByteArrayView text) {
    return !text.isEmpty() && std::all_of(text.begin(), text.end(),
                                          [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z'); });
}

// What a temporary file's name says about its writer.
enum class Kind { NotOurs, OldStyle, WithProcess };

Kind kindOf(QByteArrayView name, pid_t* pid) {
    if (!name.startsWith(kPrefix) || !name.endsWith(kSuffix))
        return Kind::NotOurs;
    const QByteArrayView middle =
        name.sliced(sizeof kPrefix - 1, name.size() - qsizetype(sizeof kPrefix - 1) - qsizetype(sizeof kSuffix - 1));
    const qsizetype dash = middle.indexOf('-');
    if (dash < 0)
        return isBase36(middle) ? Kind::OldStyle : Kind::NotOurs;
    bool ok = false;
    const long number = middle.first(dash).toLong(&ok);
    if (!ok || number <= 0 || !isBase36(middle.sliced(dash + 1)))
        return Kind::NotOurs;
    *pid = pid_t(number);
    return Kind::WithProcess;
}

bool running(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

// Removes a temporary file that nobody holds, holding its lock while it does, so that a writer that
// opens it meanwhile keeps it. A file of an earlier version must also be ten minutes old.
bool removeIfFree(const QByteArray& path, Kind kind) {
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return false;
    bool stale = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    struct stat st {};
    if (stale && kind == Kind::OldStyle)
        stale = ::fstat(fd, &st) == 0 && std::time(nullptr) - st.st_mtime >= kOldStyleAgeSeconds;
    stale = stale && ::unlink(path.constData()) == 0;
    ::close(fd);
    return stale;
}

} // namespace

QByteArray unusedTemporaryPath(const QByteArray& folder) {
    return folder + '/' + kPrefix + QByteArray::number(::getpid()) + '-' +
           QByteArray::number(QRandomGenerator::global()->generate64(), 36) + kSuffix;
}

int createTemporary(const QByteArray& folder, mode_t mode, QByteArray* path) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        *path = unusedTemporaryPath(folder);
        const int fd = ::open(path->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd < 0 && errno == EEXIST)
            continue;
        // On a filesystem that keeps no locks the process id in the name tells alone.
        if (fd >= 0)
            ::flock(fd, LOCK_EX | LOCK_NB);
        return fd;
    }
    errno = EEXIST;
    return -1;
}

void removeStaleFilesBeforeWrite(const QString& folder) {
    static std::mutex lock;
    static QHash<QString, QDeadlineTimer> nextSweep;
    {
        const std::lock_guard guard(lock);
        const auto next = nextSweep.constFind(folder);
        if (next != nextSweep.cend() && !next->hasExpired())
            return;
        nextSweep.insert(folder, QDeadlineTimer(60000));
    }
    removeStaleFiles(folder);
}

int removeStaleFiles(const QString& folder) {
    const QByteArray encoded = QFile::encodeName(folder);
    const std::unique_ptr<DIR, DirCloser> dir(::opendir(encoded.constData()));
    if (!dir)
        return 0;
    QList<std::pair<QByteArray, Kind>> orphans;
    int removed = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        const QByteArrayView name(entry->d_name);
        if (!name.startsWith(kPrefix))
            continue;
        const QByteArray path = encoded + '/' + name.toByteArray();
        pid_t pid = 0;
        const Kind kind = kindOf(name, &pid);
        if (kind == Kind::OldStyle || (kind == Kind::WithProcess && !running(pid)))
            orphans.append({name.toByteArray(), kind});
        else if (isLockFileName(name))
            removed += removeFreeLockFile(path) ? 1 : 0;
    }
    if (orphans.isEmpty())
        return removed;
    // Read once the writers are known to be gone, so that every record they wrote is seen.
    const QSet<QByteArray> wanted = namesWantedIn(folder);
    for (const auto& [name, kind] : orphans) {
        if (!wanted.contains(name))
            removed += removeIfFree(encoded + '/' + name, kind) ? 1 : 0;
    }
    return removed;
}

} // namespace durable
