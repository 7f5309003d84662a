// The one way files are written: a file is replaced only by a complete, synced copy, and a failed
// write leaves the earlier file byte for byte as it was, with the cause named.
#pragma once

#include <QByteArray>
#include <QString>

namespace durable {

// Why a write failed, in the terms the messages use.
enum class Cause {
    None,
    DiskFull,
    Permission,
    NameTooLong,
    NoFolder,
    NotAFolder,     // a file stands where a folder of the path should be
    FolderInTheWay, // a folder has the file's name
    ReadOnly,       // the filesystem
    ReadOnlyFile,   // the file: its owner made it so
    Unreadable,     // the source of a copy, or a file to update
    SameFile,       // two files of one save are one file
    Busy,           // another save holds the file
    Other
};

Cause causeOf(int error);

struct [[nodiscard]] Result {
    Cause cause = Cause::None;
    int error = 0; // errno of the call that failed

    static Result failed(int error) { return {causeOf(error), error}; }
    bool ok() const { return cause == Cause::None; }
    explicit operator bool() const { return ok(); }
    // The cause as messages name it: "磁盘空间已满", "没有写入权限", "文件名太长" and so on.
    QString text() const;
};

// Where a write to path lands, in *target: symbolic links followed (a relative one from its own
// folder), the folder without links.
Result writtenPath(const QString& path, QString* target);
// The same, and whether the write may land there: the folder exists and takes a name that long,
// and a file there is neither a folder nor read-only, which its owner shows by taking away every
// write permission (that holds for root too) or the system by refusing access.
Result checkTarget(const QString& path, QString* target);

// Whether two paths name one file: the same file once links are followed, or two names of it.
bool sameFile(const QString& a, const QString& b);

// A file written piece by piece into a temporary file beside its target, which replaces the target
// only at commit(): every write is checked, the data is synced, its size checked, the temporary
// file renamed into place and the folder synced. Destroyed without commit, it leaves no trace. A
// link is written through: the temporary file goes beside the file the link leads to, which it
// replaces. A read-only file is left alone. Opening one also removes what killed programs left in
// that folder (TemporaryFiles.h).
class FileWriter {
public:
    // Permissions of a new file, less the user's umask; a file that exists keeps its own.
    explicit FileWriter(QString path, int newFileMode = 0644);
    ~FileWriter();
    FileWriter(const FileWriter&) = delete;
    FileWriter& operator=(const FileWriter&) = delete;

    Result open();
    Result write(const char* data, qint64 size);
    Result write(const QByteArray& bytes) { return write(bytes.constData(), bytes.size()); }
    // Syncs what was written and checks its size, so that only the rename is left for commit(): a
    // file that must land together with another is prepared before the other is written.
    Result prepare();
    // Prepares the file unless that was done, and renames it into place.
    Result commit();
    // Drops what was written; the target stays as it was.
    void discard();
    // After prepare(): the temporary file is the caller's from now on, to rename or remove. Its path.
    QString release();

    const QString& path() const { return m_path; }
    qint64 written() const { return m_written; }
    // Where the data is until commit(): the temporary file beside the target; empty before open().
    QString temporaryPath() const;

private:
    Result fail(int error);

    QString m_path;
    QByteArray m_target;
    int m_newFileMode;
    QByteArray m_tempName;
    int m_fd = -1;
    qint64 m_written = 0;
    bool m_prepared = false;
};

// A file that only grows, such as a log. open() takes an exclusive lock on the file that lasts as
// long as the object, so that what several programs append never interleaves; append() writes at
// the end and syncs, and an append that fails part way is taken back, so that no piece of it stays.
// Nothing already in the file is ever changed.
class AppendFile {
public:
    explicit AppendFile(QString path, int newFileMode = 0644);
    ~AppendFile();
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;

    // Opens the file, made when missing, and waits for the lock.
    Result open();
    qint64 size() const { return m_size; }
    // Up to length bytes from offset; empty when they cannot be read.
    QByteArray read(qint64 offset, qint64 length) const;
    Result append(const QByteArray& bytes);

private:
    QString m_path;
    int m_newFileMode;
    int m_fd = -1;
    qint64 m_size = 0;
};

// Replaces path with bytes, or leaves the earlier file as it was.
Result writeFile(const QString& path, const QByteArray& bytes, int newFileMode = 0644);

// Copies source to target through a FileWriter and reads the copy back to compare it before it
// replaces the target: a copy that differs leaves the earlier target as it was.
Result copyFile(const QString& source, const QString& target);

// Moves source to target: a rename on the same filesystem (both folders synced), else a verified
// copy after which the source is removed. The source stays whenever the move fails.
Result moveFile(const QString& source, const QString& target);
// The same move, except that it never replaces a file: with target taken it fails (EEXIST).
Result moveToNewName(const QString& source, const QString& target);

// Syncs a folder, so that a rename or a new file in it survives a power cut.
Result syncFolder(const QString& folder);

// Tests stop a program between two steps of the durable path: the hook, when set, runs after each
// write, sync, rename, link and removal of a file that the path makes, and after each new folder.
using StepHook = void (*)();
void setStepHook(StepHook hook);
void stepDone();

// Makes folder and the folders above it that are missing, each with mode less the user's umask, and
// syncs the folder that holds each new one. A folder that exists already is success.
Result makeFolder(const QString& folder, int mode = 0777);

} // namespace durable
