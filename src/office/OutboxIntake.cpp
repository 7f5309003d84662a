// The outbox's intake: what custody.log recorded since the last catch-up, each event that changed an
// inquiry's files taken as a version with its files' fingerprints and the copies of its own files.
#include "office/Outbox.h"

#include "archive/CustodyLog.h"
#include "archive/Locations.h"

#include "platform/Fingerprint.h"
#include "platform/ProgramDir.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QSysInfo>

using namespace archive;

namespace office {

namespace {

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

bool copied(FileKind kind) {
    return kind == FileKind::Template || kind == FileKind::Document || kind == FileKind::Pdf;
}

} // namespace

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
        item.files.append(outboxFile(row.name, row.kind, named.value(row.name)));
    }
    // What the line names and the index does not link yet, but not a file the line unlinks.
    if (entry.event != custody::kUnlinked)
        for (const CustodyFile& file : entry.files)
            if (!listed.contains(file.name))
                item.files.append(outboxFile(file.name, kindByName(file.name), file.sha256));
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
        OutboxFile file = outboxFile(row.name, row.kind, {});
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
        return taken();
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
                return taken();
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
                return taken();
        }
    }
    sql::Query meta = db.query("INSERT OR REPLACE INTO meta(key, value) VALUES('outbox', ?)");
    if (!meta.bind(QString::number(read)).run())
        return taken();
    const int after = counted();
    if (!transaction.commit())
        return taken();
    if (added)
        *added = after - before;
    return {};
}

} // namespace office
