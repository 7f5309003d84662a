// The outbox's queue: versions kept in archive.sqlite and handed to the pusher oldest first.
#include "office/Outbox.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

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
        files.append(outboxFile(o.value(QStringLiteral("name")).toString(),
                                FileKind(o.value(QStringLiteral("kind")).toInt()),
                                o.value(QStringLiteral("sha256")).toString()));
    }
    return files;
}

} // namespace

OutboxFile outboxFile(const QString& name, FileKind kind, const QString& sha256) {
    OutboxFile file;
    file.name = name;
    file.kind = kind;
    file.sha256 = sha256;
    return file;
}

QString sha256Of(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

Outbox::Outbox(QString programDir) : m_programDir(programDir), m_index(std::move(programDir)) {}

sql::Error Outbox::taken() {
    const sql::Error error = m_index.connection().error();
    m_index.connection().clearError();
    return error;
}

sql::Error Outbox::ready() {
    if (const sql::Error opened = m_index.open(); !opened)
        return opened;
    // The outbox's commits are synced at once: a version taken is not taken again from the log, and
    // one pushed is not pushed again, even after a power cut (which the index itself may lose).
    if (!m_index.connection().exec("PRAGMA synchronous=FULL;") || !m_index.connection().exec(kSchema))
        return taken();
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

sql::Error Outbox::waiting(int* count) {
    *count = 0;
    if (const sql::Error opened = ready(); !opened)
        return opened;
    sql::Query q = m_index.connection().query("SELECT count(*) FROM outbox WHERE tries >= 0");
    if (q.next())
        *count = int(q.integer(0));
    return taken();
}

sql::Error Outbox::next(int max, qint64 byteBudget, QList<OutboxItem>* items) {
    items->clear();
    if (const sql::Error opened = ready(); !opened)
        return opened;
    sql::Connection& db = m_index.connection();
    {
        // Versions that failed on their own go after the others.
        sql::Query q = db.query("SELECT id, key, inquiry, event, time, host, user, line_end, files, tries, failure "
                                "FROM outbox WHERE tries >= 0 ORDER BY tries > 0, id LIMIT ?");
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
    return taken();
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
    return taken();
}

sql::Error Outbox::failed(qint64 id, const QString& why) {
    if (const sql::Error opened = ready(); !opened)
        return opened;
    sql::Query q = m_index.connection().query("UPDATE outbox SET tries = tries + 1, failure = ? WHERE id = ?");
    q.bind(why).bind(id).run();
    return taken();
}

archive::sql::Error Outbox::setAside(qint64 id, const QString& why) {
    if (const archive::sql::Error opened = ready(); !opened)
        return opened;
    archive::sql::Query q = m_index.connection().query("UPDATE outbox SET tries = ?, failure = ? WHERE id = ?");
    q.bind(kSetAside).bind(why).bind(id).run();
    return taken();
}

} // namespace office
