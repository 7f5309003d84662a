// Opening archive.sqlite: the schema made or checked, a damaged file set aside under a lock that every
// program of the same program directory takes for that, and a read-only program directory's index
// read as it is only when it is level with the files.
#include "archive/Index.h"

#include "archive/CharacterTokenizer.h"
#include "archive/Locations.h"

#include "platform/ProgramDir.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace archive {

namespace {

// Links, files and custody lines are keyed by names, so that the index holds what the custody log
// says of an inquiry before its template is read. The lists read only the small inquiry table; the
// texts sit beside it.
constexpr char kSchema[] = R"(
CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value TEXT NOT NULL) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS inquiry(
    id INTEGER PRIMARY KEY,
    name TEXT NOT NULL UNIQUE,
    size INTEGER NOT NULL,
    modified INTEGER NOT NULL,
    date TEXT NOT NULL,
    starts TEXT NOT NULL,
    ends TEXT NOT NULL,
    interviewee TEXT NOT NULL,
    unit TEXT NOT NULL,
    place TEXT NOT NULL,
    inspector TEXT NOT NULL,
    pairs INTEGER NOT NULL,
    recordings INTEGER NOT NULL DEFAULT 0,
    captures INTEGER NOT NULL DEFAULT 0,
    state INTEGER NOT NULL DEFAULT 0,
    problem TEXT NOT NULL DEFAULT '');
CREATE INDEX IF NOT EXISTS inquiry_listed ON inquiry(date DESC, starts DESC, name, interviewee, unit, place, pairs,
    problem);
CREATE TABLE IF NOT EXISTS inquiry_text(
    id INTEGER PRIMARY KEY,
    fields TEXT NOT NULL,
    search TEXT NOT NULL);
CREATE VIRTUAL TABLE IF NOT EXISTS inquiry_terms USING fts5(search, content='', tokenize='characters');
CREATE TABLE IF NOT EXISTS file(
    name TEXT PRIMARY KEY,
    kind INTEGER NOT NULL,
    size INTEGER NOT NULL,
    modified INTEGER NOT NULL,
    sidecar INTEGER NOT NULL,
    state INTEGER NOT NULL,
    started TEXT) WITHOUT ROWID;
CREATE INDEX IF NOT EXISTS file_by_start ON file(started) WHERE started IS NOT NULL;
CREATE TABLE IF NOT EXISTS link(
    inquiry TEXT NOT NULL,
    file TEXT NOT NULL,
    how INTEGER NOT NULL,
    PRIMARY KEY(inquiry, file)) WITHOUT ROWID;
CREATE INDEX IF NOT EXISTS link_by_file ON link(file);
CREATE TABLE IF NOT EXISTS custody(
    offset INTEGER PRIMARY KEY,
    length INTEGER NOT NULL,
    inquiry TEXT NOT NULL);
CREATE INDEX IF NOT EXISTS custody_by_inquiry ON custody(inquiry);
)";

// Indexes made before the listing order had one by date only; they gain it at their next writable
// open. Programs that know only the older index read either one right.
constexpr char kListingOrder[] = R"(
CREATE INDEX IF NOT EXISTS inquiry_listed ON inquiry(date DESC, starts DESC, name, interviewee, unit, place, pairs,
    problem);
DROP INDEX IF EXISTS inquiry_by_date;
)";

// An exclusive lock on archive.lock while it lives.
class FileLock {
public:
    explicit FileLock(const QString& path)
        : m_fd(::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644)) {
        if (m_fd >= 0)
            while (::flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {
            }
    }
    ~FileLock() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    int m_fd;
};

bool sameFile(const QString& path, quint64 device, quint64 inode) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && quint64(info.st_dev) == device &&
           quint64(info.st_ino) == inode;
}

sql::Error taken(sql::Connection& db) {
    const sql::Error error = db.error();
    db.clearError();
    return error;
}

// Makes the tables in an empty file and checks them in any other; needsRebuild: never filled completely.
sql::Error checkSchema(sql::Connection& db, bool* needsRebuild) {
    int objects = 0;
    {
        sql::Query count = db.query("SELECT count(*) FROM sqlite_schema");
        if (count.next())
            objects = int(count.integer(0));
    }
    if (!db.error().ok())
        return taken(db);
    if (objects == 0) {
        sql::Transaction made(db);
        if (made.began() && db.exec(kSchema)) {
            sql::Query version = db.query("INSERT OR IGNORE INTO meta(key, value) VALUES('schema', ?)");
            version.bind(QString::number(Index::kSchemaVersion)).run();
        }
        if (!db.error().ok() || !made.commit())
            return taken(db);
    }
    QString schema;
    QString built;
    {
        sql::Query meta = db.query("SELECT key, value FROM meta WHERE key IN ('schema', 'built')");
        while (meta.next())
            (meta.text(0) == QLatin1String("schema") ? schema : built) = meta.text(1);
    }
    // A database without our tables is not an index: it is replaced like a damaged one. A lock held
    // by another program, or a full disk, is no reason to.
    if (!db.error().ok() && db.error().failure != sql::Failure::Other)
        return taken(db);
    if (!db.error().ok() || schema.isEmpty()) {
        db.clearError();
        return {sql::Failure::Damaged, QStringLiteral("不是笔录档案索引")};
    }
    if (schema.toInt() > Index::kSchemaVersion)
        return {sql::Failure::Other, QStringLiteral("索引由更新版本的程序建立（版本 %1）").arg(schema)};
    *needsRebuild = built.isEmpty();
    return {};
}

// Whether the index in listing order is there, made when it is not and the file may be written. One
// that cannot be made now (a full disk, a lock held too long) is made at a later open; till then the
// lists are sorted as they are read.
bool hasListingOrder(sql::Connection& db, bool mayWrite) {
    const auto present = [&db] {
        sql::Query q = db.query("SELECT 1 FROM sqlite_schema WHERE type = 'index' AND name = 'inquiry_listed'");
        return q.next();
    };
    if (present()) {
        db.clearError();
        return true;
    }
    if (mayWrite) {
        sql::Transaction made(db);
        if (made.began() && db.exec(kListingOrder) && made.commit()) {
            db.clearError();
            return true;
        }
    }
    db.clearError();
    return false;
}

} // namespace

Index::Index(QString programDir, QString databasePath)
    : m_programDir(std::move(programDir)),
      m_databasePath(databasePath.isEmpty() ? indexPath(m_programDir) : std::move(databasePath)) {}

// Closed before the temporary folder of a private copy goes.
Index::~Index() {
    m_db.close();
}

bool Index::replacedBehindUs() const {
    return !sameFile(m_databasePath, m_device, m_inode);
}

sql::Error Index::result() {
    return taken(m_db);
}

namespace {

// The folder's modification time as its stamp begins: seconds and nanoseconds.
QString folderTime(const struct stat& info) {
    return QStringLiteral("%1.%2").arg(qint64(info.st_mtim.tv_sec)).arg(qint64(info.st_mtim.tv_nsec));
}

} // namespace

QString Index::folderStamp() const {
    const QByteArray bl = QFile::encodeName(programdir::blDir(m_programDir));
    struct stat info {};
    if (::stat(bl.constData(), &info) != 0)
        return QStringLiteral("none");
    qint64 entries = 0;
    if (DIR* folder = ::opendir(bl.constData())) {
        while (::readdir(folder))
            ++entries;
        ::closedir(folder);
    }
    return folderTime(info) + u':' + QString::number(entries);
}

Index::FolderCheck Index::folderAsStamped(const QString& stamp, qint64 takenAt) const {
    struct stat info {};
    const qsizetype counted = stamp.indexOf(u':');
    if (counted < 0 || ::stat(QFile::encodeName(programdir::blDir(m_programDir)).constData(), &info) != 0)
        return stamp == folderStamp() ? FolderCheck::Same : FolderCheck::Changed;
    if (QStringView(stamp).first(counted) != folderTime(info))
        return FolderCheck::Changed;
    // Every entry made, removed or renamed sets the folder's time to the moment of the change, as
    // finely as the file system keeps it: to the nanosecond here, to two seconds on FAT. Only a change
    // within the same tick as the last one leaves the time as it was, so once that tick was over
    // when the stamp was taken, the time alone tells. A stamp taken within it counts again.
    constexpr qint64 kCoarsestTickSeconds = 2;
    const auto tickOverBy = [&info](qint64 moment) {
        return qint64(info.st_mtim.tv_sec) + kCoarsestTickSeconds < moment;
    };
    if (tickOverBy(takenAt))
        return FolderCheck::Same;
    const qint64 countedAt = QDateTime::currentSecsSinceEpoch();
    if (stamp != folderStamp())
        return FolderCheck::Changed;
    return tickOverBy(countedAt) ? FolderCheck::SameCountedAfterItsTick : FolderCheck::Same;
}

bool Index::levelWithFiles() {
    QString built;
    QString custody;
    QString folder;
    {
        sql::Query meta = m_db.query("SELECT key, value FROM meta WHERE key IN ('built', 'custody', 'folder')");
        while (meta.next())
            (meta.text(0) == QLatin1String("built")     ? built
             : meta.text(0) == QLatin1String("custody") ? custody
                                                        : folder) = meta.text(1);
    }
    const QFileInfo log(custodyPath(m_programDir));
    const qint64 logSize = log.exists() ? log.size() : 0;
    return taken(m_db).ok() && !built.isEmpty() && custody.toLongLong() == logSize && folder == folderStamp();
}

void Index::usePrivateCopy(const QString& why) {
    m_db.close();
    m_privateDir = std::make_unique<QTemporaryDir>();
    m_databasePath = m_privateDir->filePath(QStringLiteral("archive.sqlite"));
    m_readOnly = false;
    m_privateBecause = why;
}

sql::Error Index::open(bool* needsRebuild) {
    if (needsRebuild)
        *needsRebuild = false;
    if (m_db.isOpen() && !replacedBehindUs())
        return {};
    bool rebuild = false;
    sql::Error error;
    m_replacedBecause = std::exchange(m_setAsideBecause, QString());
    m_madeFile = false;
    if (!m_privateDir && m_databasePath == indexPath(m_programDir)) {
        const QByteArray folder = QFile::encodeName(m_programDir);
        const QByteArray file = QFile::encodeName(m_databasePath);
        m_readOnly = ::access(folder.constData(), W_OK) != 0 ||
                     (::access(file.constData(), F_OK) == 0 && ::access(file.constData(), W_OK) != 0);
    }
    if (m_readOnly) {
        QString state = QStringLiteral("还没有建立");
        if (QFileInfo::exists(m_databasePath)) {
            error = m_db.open(m_databasePath, true);
            if (error && !registerCharacterTokenizer(m_db.handle()))
                error = {sql::Failure::Other, QStringLiteral("SQLite 没有全文检索模块 FTS5")};
            if (error)
                error = checkSchema(m_db, &rebuild);
            if (error && !rebuild && levelWithFiles()) {
                m_listingOrder = hasListingOrder(m_db, false);
                struct stat info {};
                if (::stat(QFile::encodeName(m_databasePath).constData(), &info) == 0) {
                    m_device = info.st_dev;
                    m_inode = info.st_ino;
                }
                return {};
            }
            state = error ? QStringLiteral("不是最新的") : QStringLiteral("无法读取（%1）").arg(error.text);
        }
        usePrivateCopy(
            QStringLiteral("程序目录 <%1> 不能写入，其中的笔录档案索引%2，这次在临时文件中从 BL 目录和保管记录建立")
                .arg(m_programDir, state));
        if (!m_privateDir->isValid())
            return {sql::Failure::Other, QStringLiteral("临时文件夹无法建立：%1").arg(m_privateDir->errorString())};
    }
    for (int attempt = 0; attempt < 2; ++attempt) {
        struct stat before {};
        const bool existed = ::stat(QFile::encodeName(m_databasePath).constData(), &before) == 0;
        error = m_db.open(m_databasePath);
        m_madeFile = !existed;
        if (error && !registerCharacterTokenizer(m_db.handle()))
            error = {sql::Failure::Other, QStringLiteral("SQLite 没有全文检索模块 FTS5")};
        if (error)
            error = checkSchema(m_db, &rebuild);
        if (error)
            m_listingOrder = hasListingOrder(m_db, true);
        if (error.failure != sql::Failure::Damaged)
            break;
        m_replacedBecause = error.text;
        m_db.close();
        if (!existed)
            break;
        if (const sql::Error replaced = replaceDamagedFile(before.st_dev, before.st_ino); !replaced)
            return replaced;
    }
    if (!error) {
        m_db.close();
        return error;
    }
    struct stat info {};
    if (::stat(QFile::encodeName(m_databasePath).constData(), &info) == 0) {
        m_device = info.st_dev;
        m_inode = info.st_ino;
    }
    if (needsRebuild)
        *needsRebuild = rebuild;
    return {};
}

sql::Error Index::setAside(const QString& why) {
    m_db.close();
    m_setAsideBecause = why;
    if (m_privateDir) {
        // A private copy is only ever this program's: it goes.
        for (const char* suffix : {"", "-wal", "-shm"})
            QFile::remove(m_databasePath + QLatin1String(suffix));
        return {};
    }
    if (m_readOnly) {
        usePrivateCopy(QStringLiteral("程序目录 <%1> 不能写入，其中的笔录档案索引已损坏（%2），这次在临时文件中从 BL "
                                      "目录和保管记录建立")
                           .arg(m_programDir, why));
        return {};
    }
    return replaceDamagedFile(m_device, m_inode);
}

sql::Error Index::replaceDamagedFile(quint64 device, quint64 inode) {
    const QString path = m_databasePath;
    const FileLock lock(lockPath(m_programDir));
    // Another program may have set it aside while this one waited for the lock.
    if (!sameFile(path, device, inode))
        return {};
    // Kept beside for whoever wants to look at it; the one set aside before goes.
    const QByteArray aside = QFile::encodeName(path + QStringLiteral(".damaged"));
    if (::rename(QFile::encodeName(path).constData(), aside.constData()) != 0 && errno != ENOENT)
        return {sql::Failure::Other,
                QStringLiteral("损坏的索引文件 <%1> 无法移开：%2").arg(path, QString::fromLocal8Bit(strerror(errno)))};
    for (const char* suffix : {"-wal", "-shm", "-journal"}) {
        const QByteArray name = QFile::encodeName(path + QLatin1String(suffix));
        if (::unlink(name.constData()) != 0 && errno != ENOENT)
            return {
                sql::Failure::Other,
                QStringLiteral("损坏的索引文件 <%1> 无法删除：%2").arg(path, QString::fromLocal8Bit(strerror(errno)))};
    }
    return {};
}

} // namespace archive
