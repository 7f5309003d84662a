// POSIX calls behind the durable write path. Qt's QSaveFile is not used: Qt 6.4 commits a short
// file after a write met ENOSPC.
#include "DurableFile.h"

#include "TemporaryFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace durable {

namespace {

std::atomic<StepHook> g_stepHook{nullptr};

QByteArray encoded(const QString& path) {
    return QFile::encodeName(path);
}

int closeChecked(int fd) {
    // Linux releases the descriptor even when close() reports an error, so it is never retried.
    return ::close(fd) == 0 ? 0 : errno;
}

int syncFolderOf(const QByteArray& folder) {
    const int fd = ::open(folder.isEmpty() ? "." : folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    int error = ::fsync(fd) == 0 ? 0 : errno;
    // Some filesystems cannot sync a folder at all; that is no failure of this write.
    if (error == EINVAL || error == ENOTSUP)
        error = 0;
    const int closed = closeChecked(fd);
    if (!error && !closed)
        stepDone();
    return error ? error : closed;
}

QByteArray folderOf(const QString& path) {
    return encoded(QFileInfo(path).absolutePath());
}
QByteArray folderOf(const QByteArray& path) {
    return path.left(qMax<qsizetype>(path.lastIndexOf('/'), 1));
}

bool sameBytes(const QString& a, const QString& b) {
    QFile first(a);
    QFile second(b);
    if (!first.open(QIODevice::ReadOnly) || !second.open(QIODevice::ReadOnly) || first.size() != second.size())
        return false;
    constexpr qint64 kChunk = 1 << 16;
    while (!first.atEnd()) {
        const QByteArray x = first.read(kChunk);
        if (x.isEmpty() || x != second.read(kChunk))
            return false;
    }
    return true;
}

} // namespace

Cause causeOf(int error) {
    switch (error) {
    case 0:
        return Cause::None;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return Cause::DiskFull;
    case EACCES:
    case EPERM:
        return Cause::Permission;
    case ENAMETOOLONG:
        return Cause::NameTooLong;
    case ENOENT:
        return Cause::NoFolder;
    case ENOTDIR:
        return Cause::NotAFolder;
    case EROFS:
        return Cause::ReadOnly;
    case EISDIR:
        return Cause::FolderInTheWay;
    case EWOULDBLOCK:
        return Cause::Busy;
    default:
        return Cause::Other;
    }
}

QString Result::text() const {
    switch (cause) {
    case Cause::None:
        return {};
    case Cause::DiskFull:
        return QStringLiteral("磁盘空间已满");
    case Cause::Permission:
        return QStringLiteral("没有写入权限");
    case Cause::NameTooLong:
        return QStringLiteral("文件名太长");
    case Cause::NoFolder:
        return QStringLiteral("文件或目录不存在");
    case Cause::NotAFolder:
        return QStringLiteral("同名的文件占用了目录的位置");
    case Cause::FolderInTheWay:
        return QStringLiteral("那里已经有一个同名的目录");
    case Cause::ReadOnly:
        return QStringLiteral("磁盘只读");
    case Cause::ReadOnlyFile:
        return QStringLiteral("文件是只读的");
    case Cause::Unreadable:
        return QStringLiteral("没有读取权限");
    case Cause::SameFile:
        return QStringLiteral("与同一次保存的另一个文件是同一个文件");
    case Cause::Busy:
        return QStringLiteral("另一个保存正在写这个文件");
    case Cause::Other:
        break;
    }
    return QStringLiteral("写入出错：%1").arg(QString::fromLocal8Bit(std::strerror(error)));
}

Result writtenPath(const QString& path, QString* target) {
    QByteArray file = encoded(QFileInfo(path).absoluteFilePath());
    // As many links as the kernel follows in one path.
    for (int hops = 0;; ++hops) {
        std::array<char, PATH_MAX> link{};
        const ssize_t n = ::readlink(file.constData(), link.data(), link.size());
        if (n < 0)
            break; // not a link, or nothing there yet
        if (hops == 40 || n == ssize_t(link.size()))
            return Result::failed(ELOOP);
        const QByteArray next(link.data(), n);
        file = next.startsWith('/') ? next : folderOf(file) + '/' + next;
    }
    char* real = ::realpath(folderOf(file).constData(), nullptr);
    if (!real)
        return Result::failed(errno);
    QByteArray realFolder(real);
    std::free(real);
    if (!realFolder.endsWith('/'))
        realFolder += '/';
    *target = QFile::decodeName(realFolder + file.mid(file.lastIndexOf('/') + 1));
    return {};
}

Result checkTarget(const QString& path, QString* target) {
    if (Result r = writtenPath(path, target); !r)
        return r;
    const QByteArray file = encoded(*target);
    const long nameMax = ::pathconf(folderOf(file).constData(), _PC_NAME_MAX);
    if (nameMax > 0 && file.size() - file.lastIndexOf('/') - 1 > nameMax)
        return Result::failed(ENAMETOOLONG);
    struct stat existing {};
    if (::stat(file.constData(), &existing) != 0)
        return errno == ENOENT ? Result() : Result::failed(errno);
    if (S_ISDIR(existing.st_mode))
        return Result::failed(EISDIR);
    if ((existing.st_mode & 0222) == 0 || (::access(file.constData(), W_OK) != 0 && errno == EACCES))
        return {Cause::ReadOnlyFile, EACCES};
    return {};
}

bool sameFile(const QString& a, const QString& b) {
    const auto resolved = [](const QString& path) {
        QString target;
        return writtenPath(path, &target) ? target : QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    };
    if (resolved(a) == resolved(b))
        return true;
    struct stat first {};
    struct stat second {};
    return ::stat(encoded(a).constData(), &first) == 0 && ::stat(encoded(b).constData(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

FileWriter::FileWriter(QString path, int newFileMode) : m_path(std::move(path)), m_newFileMode(newFileMode) {}

FileWriter::~FileWriter() {
    discard();
}

Result FileWriter::fail(int error) {
    discard();
    return Result::failed(error);
}

Result FileWriter::open() {
    discard();
    // Every check comes before the temporary file, so that a name that is too long or a file that
    // must be left alone is found here and not after the whole file has been written.
    QString target;
    if (Result r = checkTarget(m_path, &target); !r)
        return r;
    m_target = encoded(target);
    const QByteArray folder = folderOf(m_target);
    removeStaleFilesBeforeWrite(QFile::decodeName(folder));
    m_fd = createTemporary(folder, mode_t(m_newFileMode), &m_tempName);
    if (m_fd < 0) {
        const int error = errno;
        m_tempName.clear();
        return Result::failed(error);
    }
    // A file that is replaced keeps its permissions.
    struct stat existing {};
    if (::stat(m_target.constData(), &existing) == 0 && ::fchmod(m_fd, existing.st_mode & 07777) != 0)
        return fail(errno);
    m_written = 0;
    return {};
}

Result FileWriter::write(const char* data, qint64 size) {
    if (m_fd < 0)
        return Result::failed(EBADF);
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail(errno);
        }
        if (n == 0)
            return fail(ENOSPC);
        stepDone();
        data += n;
        size -= n;
        m_written += n;
    }
    return {};
}

Result FileWriter::prepare() {
    if (m_fd < 0)
        return Result::failed(EBADF);
    if (::fsync(m_fd) != 0)
        return fail(errno);
    stepDone();
    struct stat written {};
    if (::fstat(m_fd, &written) != 0)
        return fail(errno);
    if (written.st_size != m_written)
        return fail(EIO);
    // The descriptor, and with it the lock that tells other programs the file is being written,
    // stays until the file is renamed.
    m_prepared = true;
    return {};
}

Result FileWriter::commit() {
    if (!m_prepared) {
        if (Result r = prepare(); !r)
            return r;
    }
    if (::rename(m_tempName.constData(), m_target.constData()) != 0)
        return fail(errno);
    stepDone();
    m_tempName.clear();
    m_prepared = false;
    // The data was synced: a close that fails now loses nothing.
    ::close(m_fd);
    m_fd = -1;
    // The file is in place; a folder that cannot be synced leaves it to the next write-back.
    syncFolderOf(folderOf(m_target));
    return {};
}

QString FileWriter::release() {
    const QString path = m_prepared ? temporaryPath() : QString();
    if (m_prepared) {
        ::close(m_fd);
        m_fd = -1;
        m_tempName.clear();
        m_prepared = false;
    }
    return path;
}

QString FileWriter::temporaryPath() const {
    return QFile::decodeName(m_tempName);
}

void FileWriter::discard() {
    m_prepared = false;
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_tempName.isEmpty()) {
        ::unlink(m_tempName.constData());
        m_tempName.clear();
    }
}

AppendFile::AppendFile(QString path, int newFileMode) : m_path(std::move(path)), m_newFileMode(newFileMode) {}

AppendFile::~AppendFile() {
    // Closing the descriptor releases the lock.
    if (m_fd >= 0)
        ::close(m_fd);
}

Result AppendFile::open() {
    if (m_fd >= 0)
        return {};
    const QByteArray path = encoded(m_path);
    const bool existed = ::access(path.constData(), F_OK) == 0;
    m_fd = ::open(path.constData(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, mode_t(m_newFileMode));
    if (m_fd < 0)
        return Result::failed(errno);
    if (!existed)
        syncFolderOf(folderOf(m_path));
    int locked;
    do
        locked = ::flock(m_fd, LOCK_EX);
    while (locked != 0 && errno == EINTR);
    struct stat info {};
    if (locked != 0 || ::fstat(m_fd, &info) != 0) {
        const int error = errno;
        ::close(m_fd);
        m_fd = -1;
        return Result::failed(error);
    }
    m_size = info.st_size;
    return {};
}

QByteArray AppendFile::read(qint64 offset, qint64 length) const {
    if (m_fd < 0 || offset < 0 || length <= 0)
        return {};
    QByteArray bytes(length, Qt::Uninitialized);
    qint64 got = 0;
    while (got < length) {
        const ssize_t n = ::pread(m_fd, bytes.data() + got, size_t(length - got), off_t(offset + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += n;
    }
    bytes.truncate(got);
    return bytes;
}

Result AppendFile::append(const QByteArray& bytes) {
    if (m_fd < 0)
        return Result::failed(EBADF);
    qint64 done = 0;
    int error = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = n < 0 ? errno : ENOSPC;
            break;
        }
        done += n;
    }
    if (!error && ::fsync(m_fd) != 0)
        error = errno;
    if (error) {
        // What reached the file of this append goes again, so that the next one starts on a whole line.
        if (::ftruncate(m_fd, off_t(m_size)) == 0)
            ::fsync(m_fd);
        return Result::failed(error);
    }
    m_size += done;
    return {};
}

Result writeFile(const QString& path, const QByteArray& bytes, int newFileMode) {
    FileWriter writer(path, newFileMode);
    if (Result r = writer.open(); !r)
        return r;
    if (Result r = writer.write(bytes); !r)
        return r;
    return writer.commit();
}

Result copyFile(const QString& source, const QString& target) {
    // A source that is there but cannot be read is said as such, not as a missing file.
    const int fd = ::open(encoded(source).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == EACCES || errno == EPERM ? Result{Cause::Unreadable, errno} : Result::failed(errno);
    struct stat opened {};
    QFile in;
    if (::fstat(fd, &opened) != 0 || S_ISDIR(opened.st_mode) ||
        !in.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return Result::failed(S_ISDIR(opened.st_mode) ? EISDIR : EIO);
    }
    FileWriter writer(target);
    if (Result r = writer.open(); !r)
        return r;
    std::array<char, 1 << 16> buffer{};
    for (;;) {
        const qint64 n = in.read(buffer.data(), qint64(buffer.size()));
        if (n < 0)
            return Result::failed(EIO);
        if (n == 0)
            break;
        if (Result r = writer.write(buffer.data(), n); !r)
            return r;
    }
    // The copy is read back before it replaces anything: one that differs leaves the target as it was.
    if (Result r = writer.prepare(); !r)
        return r;
    if (!sameBytes(source, writer.temporaryPath()))
        return Result::failed(EIO);
    return writer.commit();
}

namespace {

// rename(2), or, when replace is false, a rename that fails with EEXIST rather than replace a file.
int renameFile(const QByteArray& source, const QByteArray& target, bool replace) {
    if (replace)
        return ::rename(source.constData(), target.constData()) == 0 ? 0 : errno;
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A filesystem without that rename: a new link cannot replace anything either.
    if (::link(source.constData(), target.constData()) != 0)
        return errno == EPERM ? EXDEV : errno;
    return ::unlink(source.constData()) == 0 ? 0 : errno;
}

Result move(const QString& source, const QString& target, bool replace) {
    // The data reaches the disk before the name does, so a power cut never leaves an empty file
    // under the new name.
    const int fd = ::open(encoded(source).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return Result::failed(errno);
    const int synced = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    if (synced)
        return Result::failed(synced);
    const int renamed = renameFile(encoded(source), encoded(target), replace);
    if (renamed == 0) {
        stepDone();
        // The file is under its new name; folders that cannot be synced leave that to the next write-back.
        syncFolderOf(folderOf(target));
        syncFolderOf(folderOf(source));
        return {};
    }
    if (renamed != EXDEV)
        return Result::failed(renamed);
    if (!replace && QFileInfo::exists(target))
        return Result::failed(EEXIST);
    if (Result r = copyFile(source, target); !r)
        return r;
    if (::unlink(encoded(source).constData()) != 0)
        return Result::failed(errno);
    return {};
}

} // namespace

Result moveFile(const QString& source, const QString& target) {
    return move(source, target, true);
}

Result moveToNewName(const QString& source, const QString& target) {
    return move(source, target, false);
}

Result syncFolder(const QString& folder) {
    return Result::failed(syncFolderOf(encoded(folder)));
}

Result makeFolder(const QString& folder, int mode) {
    const QFileInfo info(folder);
    if (info.isDir())
        return {};
    if (info.exists())
        return Result::failed(ENOTDIR);
    const QString parent = info.absolutePath();
    if (parent != info.absoluteFilePath())
        if (Result r = makeFolder(parent, mode); !r)
            return r;
    if (::mkdir(encoded(info.absoluteFilePath()).constData(), mode_t(mode)) != 0)
        return errno == EEXIST && QFileInfo(folder).isDir() ? Result() : Result::failed(errno);
    stepDone();
    // The folder is made; a parent that cannot be synced leaves its entry to the next write-back.
    syncFolderOf(encoded(parent));
    return {};
}

void setStepHook(StepHook hook) {
    g_stepHook = hook;
}

void stepDone() {
    if (const StepHook hook = g_stepHook.load())
        hook();
}

} // namespace durable
