// Versions taken from custody.log into archive.sqlite, and handed to the pusher oldest first.
#include "office/Outbox.h"

#include "archive/CustodyLog.h"
#include "archive/Locations.h"

#include "platform/Fingerprint.h"
#include "platform/ProgramDir.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSysInfo>

using namespace archive;

namespace office {

namespace {

// Tables beside the index's own: a rebuild of the index leaves them alone.
constexpr char kSchema[] = R"(
CREATE TABLE IF NOT EXISTS outbox(
    id INTEGER PRIMARY KEY,
    key TEXT NOT NULL UNIQUE,
    inquiry TEXT NOT NULL,
    event TEXT NOT NULL,
    time TEXT NOT NULL,
    host TEXT NOT NULL,
    user TEXT NOT NULL,
    line_end INTEGER NOT NULL,
    files TEXT NOT NULL,
    tries INTEGER NOT NULL DEFAULT 0,
    failure TEXT NOT NULL DEFAULT '');
CREATE TABLE IF NOT EXISTS outbox_copy(
    item INTEGER NOT NULL,
    name TEXT NOT NULL,
    bytes BLOB NOT NULL,
    PRIMARY KEY(item, name)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS outbox_digest(
    name TEXT PRIMARY KEY,
    size INTEGER NOT NULL,
    modified INTEGER NOT NULL,
    sha256 TEXT NOT NULL) WITHOUT ROWID;
)";

// A template or document larger than this is not copied: it is no file the program wrote.
constexpr qint64 kLargestCopy = 64 * 1024 * 1024;

// The events after which an inquiry's files are not what they were: each is a version.
bool changesFiles(const QString& event) {
    return event == custody::kComposed || event == custody::kSaved || event == custody::kOverwriteDeclined ||
           event == custody::kDownloaded || event == custody::kRecordingSaved || event == custody::kCaptureFinished ||
           event == custody::kCaptureRepaired || event == custody::kLinked || event == custody::kUnlinked;
}

FileKind kindByName(const QString& name) {
    const QString suffix = QFileInfo(name).suffix().toLower();
    if (suffix == QLatin1String("ini"))
        return FileKind::Template;
    if (suffix == QLatin1String("doc"))
        return FileKind::Document;
    if (suffix == QLatin1String("pdf"))
        return FileKind::Pdf;
    if (suffix == QLatin1String("wav"))
        return FileKind::Recording;
    return FileKind::Capture;
}

OutboxFile fileOf(const QString& name, FileKind kind, const QString& sha256) {
    OutboxFile file;
    file.name = name;
    file.kind = kind;
    file.sha256 = sha256;
    return file;
}

bool copied(FileKind kind) {
    return kind == FileKind::Template || kind == FileKind::Document || kind == FileKind::Pdf;
}

sql::Error taken(sql::Connection& db) {
    const sql::Error error = db.error();
    db.clearError();
    return error;
}

QString filesJson(const QList<OutboxFile>& files) {
    QJsonArray list;
    for (const OutboxFile& file : files)
        list.append(QJsonObject{{QStringLiteral("name"), file.name},
                                {QStringLiteral("kind"), int(file.kind)},
                                {QStringLiteral("sha256"), file.sha256}});
    return QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Compact));
}

QList<OutboxFile> filesOf(const QString& json) {
    QList<OutboxFile> files;
    for (const QJsonValue value : QJsonDocument::fromJson(json.toUtf8()).array()) {
        const QJsonObject o = value.toObject();
        files.append(fileOf(o.value(QStringLiteral("name")).toString(),
                            FileKind(o.value(QStringLiteral("kind")).toInt()),
                            o.value(QStringLiteral("sha256")).toString()));
    }
    return files;
}

} // namespace

QString sha256Of(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

Outbox::Outbox(QString programDir) : m_programDir(programDir), m_index(std::move(programDir)) {}

sql::Error Outbox::ready() {
    if (const sql::Error opened = m_index.open(); !opened)
        return opened;
    // The outbox's commits are synced at once: a version taken is not taken again from the log, and
    // one pushed is not pushed again, even after a power cut (which the index itself may lose).
    if (!m_index.connection().exec("PRAGMA synchronous=FULL;") || !m_index.connection().exec(kSchema))
        return taken(m_index.connection());
    return {};
}

QString Outbox::knownDigest(const QString& name, const Stamp& stamp) {
    sql::Query q = m_index.connection().query("SELECT sha256 FROM outbox_digest WHERE name = ? AND size = ? AND "
                                              "modified = ?");
    q.bind(name).bind(stamp.size).bind(stamp.modified);
    return q.next() ? q.text(0) : QString();
}

void Outbox::rememberDigest(const QString& name, const Stamp& stamp, const QString& sha256) {
    sql::Query q = m_index.connection().query(
        "INSERT OR REPLACE INTO outbox_digest(name, size, modified, sha256) VALUES(?, ?, ?, ?)");
    q.bind(name).bind(stamp.size).bind(stamp.modified).bind(sha256).run();
}

bool Outbox::store(const OutboxItem& item) {
    sql::Connection& db = m_index.connection();
    {
        sql::Query insert = db.query("INSERT OR IGNORE INTO outbox(key, inquiry, event, time, host, user, line_end, "
                                     "files) VALUES(?, ?, ?, ?, ?, ?, ?, ?)");
        insert.bind(item.key)
            .bind(item.inquiry)
            .bind(item.event)
            .bind(item.time)
            .bind(item.host)
            .bind(item.user)
            .bind(item.lineEnd)
            .bind(filesJson(item.files));
        if (!insert.run())
            return false;
        if (db.changes() == 0)
            return true; // taken before
    }
    const qint64 id = db.lastInsertId();
    for (const OutboxFile& file : item.files) {
        if (!file.hasCopy)
            continue;
        sql::Query copy = db.query("INSERT INTO outbox_copy(item, name, bytes) VALUES(?, ?, ?)");
        if (!copy.bind(id).bind(file.name).bindBlob(file.copy).run())
            return false;
    }
    return true;
}

bool Outbox::take(const CustodyEntry& entry, const QString& key, qint64 lineEnd) {
    OutboxItem item;
    item.key = key;
    item.inquiry = entry.inquiry;
    item.event = entry.event;
    item.time = entry.time;
    item.host = entry.host;
    item.user = entry.user;
    item.lineEnd = lineEnd;
    QList<FileRow> rows;
    if (!m_index.files(entry.inquiry, &rows).ok())
        return false;
    QHash<QString, QString> named;
    for (const CustodyFile& file : entry.files)
        named.insert(file.name, file.sha256);
    QSet<QString> listed;
    for (const FileRow& row : rows) {
        if (row.how == LinkHow::Unlinked)
            continue;
        listed.insert(row.name);
        item.files.append(fileOf(row.name, row.kind, named.value(row.name)));
    }
    // What the line names and the index does not link yet, but not a file the line unlinks.
    if (entry.event != custody::kUnlinked)
        for (const CustodyFile& file : entry.files)
            if (!listed.contains(file.name))
                item.files.append(fileOf(file.name, kindByName(file.name), file.sha256));
    for (OutboxFile& file : item.files) {
        if (!copied(file.kind))
            continue;
        const QString path = fullPath(m_programDir, file.name);
        const Stamp stamp = stampOf(path);
        if (!stamp.exists() || stamp.size > kLargestCopy)
            continue;
        QString digest = knownDigest(file.name, stamp);
        QByteArray bytes;
        if (digest.isEmpty() || digest == file.sha256 || file.sha256.isEmpty()) {
            QFile source(path);
            if (!source.open(QIODevice::ReadOnly))
                continue;
            bytes = source.readAll();
            if (source.error() != QFileDevice::NoError || bytes.size() != stamp.size)
                continue;
            digest = sha256Of(bytes);
            rememberDigest(file.name, stamp, digest);
        }
        if (file.sha256.isEmpty() || digest == file.sha256) {
            file.sha256 = digest;
            file.copy = bytes;
            file.hasCopy = !bytes.isNull();
        }
    }
    return store(item);
}

bool Outbox::takeCurrent(const QString& templatePath, qint64 lineEnd) {
    const QString name = QFileInfo(templatePath).completeBaseName();
    OutboxItem item;
    item.inquiry = name;
    item.event = QStringLiteral("current");
    const QDateTime modified = QFileInfo(templatePath).lastModified();
    item.time = modified.toOffsetFromUtc(modified.offsetFromUtc()).toString(Qt::ISODateWithMs);
    item.host = QSysInfo::machineHostName();
    item.user = custody::userName();
    item.lineEnd = lineEnd;
    QList<FileRow> rows;
    if (!m_index.files(name, &rows).ok())
        return false;
    QStringList identity{item.event, name};
    for (const FileRow& row : rows) {
        if (row.how == LinkHow::Unlinked)
            continue;
        OutboxFile file = fileOf(row.name, row.kind, {});
        // Own files are fingerprinted here; evidence, which may be large, when it is pushed.
        if (copied(row.kind)) {
            const QString path = fullPath(m_programDir, row.name);
            const Stamp stamp = stampOf(path);
            file.sha256 = knownDigest(row.name, stamp);
            if (file.sha256.isEmpty() && stamp.exists()) {
                file.sha256 = QString::fromLatin1(fingerprint::sha256Hex(path));
                if (!file.sha256.isEmpty())
                    rememberDigest(row.name, stamp, file.sha256);
            }
        } else {
            file.sha256 = QString::fromLatin1(fingerprint::recorded(fullPath(m_programDir, row.name)));
        }
        identity << file.name << file.sha256;
        item.files.append(file);
    }
    // The same state taken again, after the index was lost, is the same version.
    item.key = sha256Of(identity.join(u'\n').toUtf8());
    return store(item);
}

sql::Error Outbox::catchUp(int* added) {
    if (added)
        *added = 0;
    if (const sql::Error opened = ready(); !opened)
        return opened;
    sql::Connection& db = m_index.connection();
    // The index is brought level with BL/ and the log first, so that a version lists its evidence;
    // an index never filled (lost, or a new program directory) is filled from the files.
    bool empty = false;
    if (const sql::Error opened = m_index.open(&empty); !opened)
        return opened;
    static const std::atomic_bool never = false;
    if (const sql::Error synced = m_index.sync(empty, never); !synced)
        return synced;
    qint64 read = -1;
    {
        sql::Query meta = db.query("SELECT value FROM meta WHERE key = 'outbox'");
        if (meta.next())
            read = meta.text(0).toLongLong();
    }
    const bool first = read < 0;
    QFile log(custodyPath(m_programDir));
    const bool hasLog = log.open(QIODevice::ReadOnly);
    // A log shorter than what was read is another log: it is read again; its versions are known by
    // their keys.
    if (first || !hasLog || read > log.size())
        read = 0;
    sql::Transaction transaction(db);
    if (!transaction.began())
        return taken(db);
    const auto counted = [&] {
        sql::Query count = db.query("SELECT count(*) FROM outbox");
        return count.next() ? int(count.integer(0)) : 0;
    };
    const int before = counted();
    // The template each inquiry's last logged version records, for the first catch-up.
    QHash<QString, QString> loggedTemplate;
    const QString bl = programdir::blDir(m_programDir);
    if (hasLog && log.seek(read)) {
        while (!log.atEnd()) {
            const QByteArray line = log.readLine();
            // A line still being written, or torn, waits until a line feed ends it.
            if (!line.endsWith('\n'))
                break;
            const QByteArray bytes = line.chopped(1);
            read += line.size();
            const std::optional<CustodyEntry> entry = CustodyEntry::parse(bytes);
            if (!entry || entry->inquiry.isEmpty() || !changesFiles(entry->event))
                continue;
            if (!take(*entry, sha256Of(bytes), read))
                return taken(db);
            const QString templateName = storedName(m_programDir, bl + u'/' + entry->inquiry + QStringLiteral(".ini"));
            for (const CustodyFile& file : entry->files)
                if (file.name == templateName)
                    loggedTemplate.insert(entry->inquiry, file.sha256);
        }
    }
    if (first) {
        for (const QString& fileName : QDir(bl).entryList({QStringLiteral("*.ini")}, QDir::Files)) {
            const QString path = bl + u'/' + fileName;
            const QString name = QFileInfo(fileName).completeBaseName();
            const auto logged = loggedTemplate.constFind(name);
            if (logged != loggedTemplate.constEnd() && *logged == QString::fromLatin1(fingerprint::sha256Hex(path)))
                continue;
            if (!takeCurrent(path, read))
                return taken(db);
        }
    }
    sql::Query meta = db.query("INSERT OR REPLACE INTO meta(key, value) VALUES('outbox', ?)");
    if (!meta.bind(QString::number(read)).run())
        return taken(db);
    const int after = counted();
    if (!transaction.commit())
        return taken(db);
    if (added)
        *added = after - before;
    return {};
}

sql::Error Outbox::waiting(int* count) {
    *count = 0;
    if (const sql::Error opened = ready(); !opened)
        return opened;
    sql::Query q = m_index.connection().query("SELECT count(*) FROM outbox");
    if (q.next())
        *count = int(q.integer(0));
    return taken(m_index.connection());
}

sql::Error Outbox::next(int max, qint64 byteBudget, QList<OutboxItem>* items) {
    items->clear();
    if (const sql::Error opened = ready(); !opened)
        return opened;
    sql::Connection& db = m_index.connection();
    {
        // Versions that failed on their own go after the others.
        sql::Query q = db.query("SELECT id, key, inquiry, event, time, host, user, line_end, files, tries, failure "
                                "FROM outbox ORDER BY tries > 0, id LIMIT ?");
        q.bind(max);
        while (q.next())
            items->append({q.integer(0), q.text(1), q.text(2), q.text(3), q.text(4), q.text(5), q.text(6), q.integer(7),
                           filesOf(q.text(8)), int(q.integer(9)), q.text(10)});
    }
    qint64 bytes = 0;
    for (qsizetype i = 0; i < items->size(); ++i) {
        OutboxItem& item = (*items)[i];
        sql::Query copies = db.query("SELECT name, bytes FROM outbox_copy WHERE item = ?");
        copies.bind(item.id);
        while (copies.next()) {
            for (OutboxFile& file : item.files) {
                if (file.name == copies.text(0)) {
                    file.copy = copies.blob(1);
                    file.hasCopy = true;
                    bytes += file.copy.size();
                }
            }
        }
        if (bytes > byteBudget && i > 0) {
            items->resize(i + 1);
            break;
        }
    }
    return taken(db);
}

sql::Error Outbox::done(const QList<qint64>& ids) {
    if (const sql::Error opened = ready(); !opened)
        return opened;
    sql::Connection& db = m_index.connection();
    sql::Transaction transaction(db);
    bool ok = transaction.began();
    for (const qint64 id : ids) {
        sql::Query item = db.query("DELETE FROM outbox WHERE id = ?");
        sql::Query copies = db.query("DELETE FROM outbox_copy WHERE item = ?");
        ok = ok && item.bind(id).run() && copies.bind(id).run();
    }
    if (ok)
        transaction.commit();
    return taken(db);
}

sql::Error Outbox::failed(qint64 id, const QString& why) {
    if (const sql::Error opened = ready(); !opened)
        return opened;
    sql::Query q = m_index.connection().query("UPDATE outbox SET tries = tries + 1, failure = ? WHERE id = ?");
    q.bind(why).bind(id).run();
    return taken(m_index.connection());
}

} // namespace office
