// POSIX calls behind the durable write path. Qt's QSaveFile is not used: Qt 6.4 commits a short
// file after a write met ENOSPC.
#include "DurableFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <array>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace durable {

namespace {

QByteArray encoded(const QString& path) { return QFile::encodeName(path); }

int closeChecked(int fd)
{
    // Linux releases the descriptor even when close() reports an error, so it is never retried.
    return ::close(fd) == 0 ? 0 : errno;
}

int syncFolderOf(const QByteArray& folder)
{
    const int fd = ::open(folder.isEmpty() ? "." : folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    int error = ::fsync(fd) == 0 ? 0 : errno;
    // Some filesystems cannot sync a folder at all; that is no failure of this write.
    if (error == EINVAL || error == ENOTSUP)
        error = 0;
    const int closed = closeChecked(fd);
    return error ? error : closed;
}

QByteArray folderOf(const QString& path) { return encoded(QFileInfo(path).absolutePath()); }

// Creates a file under a name no other file has, in folder, for writing. The kernel applies the
// user's umask (or the folder's default ACL) to mode, as it does for every new file. -1 with errno
// when it cannot.
int createTemporary(const QByteArray& folder, mode_t mode, QByteArray* name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        *name = folder + "/.quillon-" + QByteArray::number(QRandomGenerator::global()->generate64(), 36) + ".part";
        const int fd = ::open(name->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

bool sameBytes(const QString& a, const QString& b)
{
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

Cause causeOf(int error)
{
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
    default:
        return Cause::Other;
    }
}

QString Result::text() const
{
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
    case Cause::ReadOnly:
        return QStringLiteral("磁盘只读");
    case Cause::Other:
        break;
    }
    return QStringLiteral("写入出错：%1").arg(QString::fromLocal8Bit(std::strerror(error)));
}

FileWriter::FileWriter(QString path, int newFileMode) : m_path(std::move(path)), m_newFileMode(newFileMode) {}

FileWriter::~FileWriter()
{
    discard();
}

Result FileWriter::fail(int error)
{
    discard();
    return Result::failed(error);
}

Result FileWriter::open()
{
    discard();
    const QByteArray target = encoded(m_path);
    const QByteArray folder = folderOf(m_path);
    // The temporary name is short, so a name that is too long is found here and not after the
    // whole file has been written.
    const QByteArray name = encoded(QFileInfo(m_path).fileName());
    const long nameMax = ::pathconf(folder.constData(), _PC_NAME_MAX);
    if (nameMax > 0 && name.size() > nameMax)
        return Result::failed(ENAMETOOLONG);

    m_fd = createTemporary(folder, mode_t(m_newFileMode), &m_tempName);
    if (m_fd < 0) {
        const int error = errno;
        m_tempName.clear();
        return Result::failed(error);
    }
    // A file that is replaced keeps its permissions.
    struct stat existing {};
    if (::stat(target.constData(), &existing) == 0 && ::fchmod(m_fd, existing.st_mode & 07777) != 0)
        return fail(errno);
    m_written = 0;
    return {};
}

Result FileWriter::write(const char* data, qint64 size)
{
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
        data += n;
        size -= n;
        m_written += n;
    }
    return {};
}

Result FileWriter::prepare()
{
    if (m_fd < 0)
        return Result::failed(EBADF);
    if (::fsync(m_fd) != 0)
        return fail(errno);
    struct stat written {};
    if (::fstat(m_fd, &written) != 0)
        return fail(errno);
    if (written.st_size != m_written)
        return fail(EIO);
    const int fd = m_fd;
    m_fd = -1;
    if (const int error = closeChecked(fd))
        return fail(error);
    m_prepared = true;
    return {};
}

Result FileWriter::commit()
{
    if (!m_prepared) {
        if (Result r = prepare(); !r)
            return r;
    }
    m_prepared = false;
    if (::rename(m_tempName.constData(), encoded(m_path).constData()) != 0)
        return fail(errno);
    m_tempName.clear();
    // The file is in place; a folder that cannot be synced leaves it to the next write-back.
    syncFolderOf(folderOf(m_path));
    return {};
}

QString FileWriter::temporaryPath() const
{
    return QFile::decodeName(m_tempName);
}

void FileWriter::discard()
{
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

Result writeFile(const QString& path, const QByteArray& bytes, int newFileMode)
{
    FileWriter writer(path, newFileMode);
    if (Result r = writer.open(); !r)
        return r;
    if (Result r = writer.write(bytes); !r)
        return r;
    return writer.commit();
}

Result copyFile(const QString& source, const QString& target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return Result::failed(ENOENT);
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
int renameFile(const QByteArray& source, const QByteArray& target, bool replace)
{
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

Result move(const QString& source, const QString& target, bool replace)
{
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

Result moveFile(const QString& source, const QString& target)
{
    return move(source, target, true);
}

Result moveToNewName(const QString& source, const QString& target)
{
    return move(source, target, false);
}

Result syncFolder(const QString& folder)
{
    return Result::failed(syncFolderOf(encoded(folder)));
}

Result makeFolder(const QString& folder, int mode)
{
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
    // The folder is made; a parent that cannot be synced leaves its entry to the next write-back.
    syncFolderOf(encoded(parent));
    return {};
}

} // namespace durable
