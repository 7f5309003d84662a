// Keeping the index level with the files: one inquiry after a command, or all of BL/ and the custody
// log in batches that leave other programs time to write between them.
#include "archive/Index.h"

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
#include <QSet>

#include <algorithm>

namespace archive {

namespace {

// Inquiries per transaction in a sync: each batch holds the write lock for a moment only.
constexpr int kBatch = 100;
// Custody-log lines per transaction.
constexpr int kLineBatch = 2000;
// How often a sync looks at every file in BL/ even though the folder did not change.
constexpr qint64 kLookEverySeconds = 60;

const char* const kOwnSuffixes[] = {".ini", ".doc", ".pdf"};
constexpr FileKind kOwnKinds[] = {FileKind::Template, FileKind::Document, FileKind::Pdf};

QString startText(const QDateTime& start) {
    return start.isValid() ? start.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) : QString();
}

// The SHA-256 of the line that ends at offset end of the log; empty when no line feed ends there.
QString lastLineBefore(QFile& log, qint64 end) {
    constexpr qint64 kLongestLine = 1024 * 1024;
    const qint64 from = std::max<qint64>(0, end - kLongestLine);
    if (!log.seek(from))
        return {};
    QByteArray bytes = log.read(end - from);
    if (!bytes.endsWith('\n'))
        return {};
    bytes.chop(1);
    const QByteArray line = bytes.mid(bytes.lastIndexOf('\n') + 1);
    return QString::fromLatin1(QCryptographicHash::hash(line, QCryptographicHash::Sha256).toHex());
}

} // namespace

FileState fileStateOf(const QString& path) {
    if (!stampOf(path).exists())
        return FileState::Missing;
    switch (fingerprint::check(path)) {
    case fingerprint::Check::Ok:
        return FileState::Ok;
    case fingerprint::Check::Changed:
        return FileState::Changed;
    case fingerprint::Check::NoFingerprint:
        return FileState::NoFingerprint;
    case fingerprint::Check::Missing:
        return FileState::Missing;
    case fingerprint::Check::Unreadable:
        break;
    }
    return FileState::Unreadable;
}

bool Index::storeInquiry(const InquiryFacts& facts) {
    if (!removeInquiryText(facts.name))
        return false;
    {
        sql::Query store = m_db.query(
            "INSERT INTO inquiry(name, size, modified, date, starts, ends, interviewee, unit, place, inspector, pairs, "
            "problem) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT(name) DO UPDATE SET size = excluded.size, "
            "modified = excluded.modified, date = excluded.date, starts = excluded.starts, ends = excluded.ends, "
            "interviewee = excluded.interviewee, unit = excluded.unit, place = excluded.place, "
            "inspector = excluded.inspector, pairs = excluded.pairs, problem = excluded.problem");
        store.bind(facts.name)
            .bind(facts.stamp.size)
            .bind(facts.stamp.modified)
            .bind(facts.date)
            .bind(facts.starts)
            .bind(facts.ends)
            .bind(facts.interviewee())
            .bind(facts.unit())
            .bind(facts.place())
            .bind(facts.inspector())
            .bind(facts.pairs)
            .bind(facts.problem);
        if (!store.run())
            return false;
    }
    qint64 id = -1;
    {
        sql::Query find = m_db.query("SELECT id FROM inquiry WHERE name = ?");
        find.bind(facts.name);
        if (!find.next())
            return m_db.fail();
        id = find.integer(0);
    }
    const QString search = searchTextOf(facts);
    sql::Query text = m_db.query("INSERT INTO inquiry_text(id, fields, search) VALUES(?, ?, ?)");
    if (!text.bind(id).bind(fieldsJsonOf(facts.record)).bind(search).run())
        return false;
    sql::Query terms = m_db.query("INSERT INTO inquiry_terms(rowid, search) VALUES(?, ?)");
    return terms.bind(id).bind(search).run();
}

bool Index::removeInquiryText(const QString& name) {
    qint64 id = -1;
    QString search;
    {
        sql::Query find =
            m_db.query("SELECT i.id, t.search FROM inquiry i JOIN inquiry_text t ON t.id = i.id WHERE i.name = ?");
        find.bind(name);
        if (!find.next())
            return m_db.error().ok();
        id = find.integer(0);
        search = find.text(1);
    }
    // The terms table keeps no text: a row goes by giving back the very text it was given.
    sql::Query terms = m_db.query("INSERT INTO inquiry_terms(inquiry_terms, rowid, search) VALUES('delete', ?, ?)");
    if (!terms.bind(id).bind(search).run())
        return false;
    sql::Query text = m_db.query("DELETE FROM inquiry_text WHERE id = ?");
    return text.bind(id).run();
}

bool Index::removeInquiry(const QString& name) {
    if (!removeInquiryText(name))
        return false;
    sql::Query row = m_db.query("DELETE FROM inquiry WHERE name = ?");
    sql::Query links = m_db.query("DELETE FROM link WHERE inquiry = ? AND how IN (2, 4)");
    return row.bind(name).run() && links.bind(name).run();
}

bool Index::storeFile(const QString& name, FileKind kind, bool force) {
    const QString path = fullPath(m_programDir, name);
    const Stamp stamp = stampOf(path);
    const qint64 sidecar = stampOf(fingerprint::sidecarPath(path)).modified;
    bool known = false;
    {
        sql::Query row = m_db.query("SELECT size, modified, sidecar FROM file WHERE name = ?");
        row.bind(name);
        if (row.next()) {
            known = true;
            if (!force && row.integer(0) == stamp.size && row.integer(1) == stamp.modified && row.integer(2) == sidecar)
                return true;
        }
        if (!m_db.error().ok())
            return false;
    }
    const FileState state = fileStateOf(path);
    const QDateTime start = kind == FileKind::Capture ? captureStart(QFileInfo(path).fileName()) : QDateTime();
    {
        sql::Query store = m_db.query("INSERT OR REPLACE INTO file(name, kind, size, modified, sidecar, state, "
                                      "started) VALUES(?, ?, ?, ?, ?, ?, ?)");
        store.bind(name).bind(int(kind)).bind(stamp.size).bind(stamp.modified).bind(sidecar).bind(int(state));
        if (start.isValid())
            store.bind(startText(start));
        else
            store.bindNull();
        if (!store.run())
            return false;
    }
    return known || !start.isValid() || linkCaptureByTime(name, start);
}

bool Index::linkByTime(const QString& inquiry) {
    sql::Query old = m_db.query("DELETE FROM link WHERE inquiry = ? AND how = 2");
    if (!old.bind(inquiry).run())
        return false;
    sql::Query link =
        m_db.query("INSERT OR IGNORE INTO link(inquiry, file, how) SELECT i.name, f.name, 2 FROM inquiry i JOIN file f "
                   "ON f.started BETWEEN i.date || 'T' || i.starts || ':00' AND i.date || 'T' || i.ends || ':59' "
                   "WHERE i.name = ? AND i.date <> '' AND i.starts <> '' AND i.ends <> '' AND f.kind = 4");
    return link.bind(inquiry).run();
}

bool Index::linkCaptureByTime(const QString& name, const QDateTime& start) {
    QStringList inquiries;
    {
        sql::Query find = m_db.query(
            "SELECT name FROM inquiry WHERE date = ? AND starts <> '' AND ends <> '' AND starts || ':00' <= ? "
            "AND ? <= ends || ':59'");
        const QString time = start.toString(QStringLiteral("HH:mm:ss"));
        find.bind(start.date().toString(Qt::ISODate)).bind(time).bind(time);
        while (find.next())
            inquiries << find.text(0);
        if (!m_db.error().ok())
            return false;
    }
    for (const QString& inquiry : inquiries) {
        sql::Query link = m_db.query("INSERT OR IGNORE INTO link(inquiry, file, how) VALUES(?, ?, 2)");
        if (!link.bind(inquiry).bind(name).run() || !updateCounts(inquiry))
            return false;
    }
    return true;
}

bool Index::updateCounts(const QString& inquiry) {
    // The worst state wins: a changed file (2) over a missing one or one without fingerprint (1).
    sql::Query counts =
        m_db.query("UPDATE inquiry SET recordings = x.r, captures = x.c, state = x.s FROM (SELECT "
                   "count(CASE WHEN f.kind = 3 THEN 1 END) AS r, count(CASE WHEN f.kind = 4 THEN 1 END) AS c, "
                   "coalesce(max(CASE f.state WHEN 0 THEN 0 WHEN 1 THEN 2 ELSE 1 END), 0) AS s "
                   "FROM link l JOIN file f ON f.name = l.file WHERE l.inquiry = ?1 AND l.how > 0) AS x "
                   "WHERE inquiry.name = ?1 AND (recordings <> x.r OR captures <> x.c OR state <> x.s)");
    return counts.bind(inquiry).run();
}

bool Index::storeOwnFiles(const QString& inquiry) {
    const QString base = programdir::blDir(m_programDir) + u'/' + inquiry;
    for (std::size_t i = 0; i < std::size(kOwnSuffixes); ++i) {
        const QString name = storedName(m_programDir, base + QLatin1String(kOwnSuffixes[i]));
        if (stampOf(fullPath(m_programDir, name)).exists()) {
            sql::Query link = m_db.query("INSERT OR REPLACE INTO link(inquiry, file, how) VALUES(?, ?, 4)");
            if (!storeFile(name, kOwnKinds[i], false) || !link.bind(inquiry).bind(name).run())
                return false;
        } else {
            sql::Query unlink = m_db.query("DELETE FROM link WHERE inquiry = ? AND file = ? AND how = 4");
            if (!unlink.bind(inquiry).bind(name).run())
                return false;
        }
    }
    return true;
}

bool Index::storeTemplate(const QString& templatePath) {
    const InquiryFacts facts = readInquiry(templatePath);
    if (!facts.stamp.exists())
        return removeInquiry(facts.name);
    return storeInquiry(facts) && storeOwnFiles(facts.name) && linkByTime(facts.name) && updateCounts(facts.name);
}

sql::Error Index::updateInquiries(const QStringList& templatePaths) {
    if (const sql::Error opened = open(); !opened)
        return opened;
    sql::Transaction transaction(m_db);
    bool ok = transaction.began();
    for (const QString& path : templatePaths)
        ok = ok && storeTemplate(path);
    if (ok)
        transaction.commit();
    return result();
}

sql::Error Index::recheckFiles(const QString& inquiry) {
    if (const sql::Error opened = open(); !opened)
        return opened;
    QList<QPair<QString, int>> files;
    {
        sql::Query linked = m_db.query(
            "SELECT f.name, f.kind FROM link l JOIN file f ON f.name = l.file WHERE l.inquiry = ? AND l.how > 0");
        linked.bind(inquiry);
        while (linked.next())
            files.append({linked.text(0), int(linked.integer(1))});
    }
    sql::Transaction transaction(m_db);
    bool ok = transaction.began();
    for (const auto& [name, kind] : files)
        ok = ok && storeFile(name, FileKind(kind), true);
    if (ok && updateCounts(inquiry))
        transaction.commit();
    return result();
}

bool Index::applyCustodyLine(const QByteArray& line, qint64 offset) {
    const std::optional<CustodyEntry> entry = CustodyEntry::parse(line);
    if (!entry)
        return true; // a torn or foreign line links nothing
    if (!entry->inquiry.isEmpty()) {
        sql::Query store = m_db.query("INSERT OR REPLACE INTO custody(offset, length, inquiry) VALUES(?, ?, ?)");
        if (!store.bind(offset).bind(qint64(line.size())).bind(entry->inquiry).run())
            return false;
    }
    const QString& event = entry->event;
    if (event == custody::kDiscarded || event == custody::kSetAside)
        return forgetFile(entry->details);
    const bool recording = event == custody::kRecordingSaved;
    const bool capture = event == custody::kCaptureFinished || event == custody::kCaptureRepaired;
    LinkHow how = LinkHow::WhileOpen;
    if (event == custody::kLinked)
        how = LinkHow::ByHand;
    else if (event == custody::kUnlinked)
        how = LinkHow::Unlinked;
    else if (!recording && !capture)
        return true;
    for (const CustodyFile& file : entry->files) {
        // Evidence linked by hand is a recording or a capture by its kind of file.
        const bool wav = QFileInfo(file.name).suffix().compare(QLatin1String("wav"), Qt::CaseInsensitive) == 0;
        if (!storeFile(file.name, recording || (!capture && wav) ? FileKind::Recording : FileKind::Capture, false))
            return false;
        if (entry->inquiry.isEmpty())
            continue;
        sql::Query link = m_db.query("INSERT OR REPLACE INTO link(inquiry, file, how) VALUES(?, ?, ?)");
        if (!link.bind(entry->inquiry).bind(file.name).bind(int(how)).run())
            return false;
    }
    return entry->inquiry.isEmpty() || updateCounts(entry->inquiry);
}

bool Index::forgetFile(const QList<QPair<QString, QString>>& details) {
    for (const auto& [key, name] : details) {
        if (key != QLatin1String("from"))
            continue;
        QStringList inquiries;
        {
            sql::Query linked = m_db.query("SELECT inquiry FROM link WHERE file = ?");
            linked.bind(name);
            while (linked.next())
                inquiries << linked.text(0);
        }
        sql::Query links = m_db.query("DELETE FROM link WHERE file = ?");
        sql::Query file = m_db.query("DELETE FROM file WHERE name = ?");
        if (!m_db.error().ok() || !links.bind(name).run() || !file.bind(name).run())
            return false;
        for (const QString& inquiry : inquiries)
            if (!updateCounts(inquiry))
                return false;
    }
    return true;
}

sql::Error Index::readCustodyLog() {
    if (const sql::Error opened = open(); !opened)
        return opened;
    QFile log(custodyPath(m_programDir));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    qint64 read = 0;
    // Lines read and the SHA-256 of the last one, and the longest log seen that this one goes on.
    qint64 lines = 0;
    QString last;
    LogSeen seen;
    {
        sql::Query meta = m_db.query("SELECT key, value FROM meta WHERE key IN ('custody', 'custody-lines', "
                                     "'custody-last', 'log-seen')");
        while (meta.next()) {
            const QString key = meta.text(0);
            if (key == QLatin1String("custody"))
                read = meta.text(1).toLongLong();
            else if (key == QLatin1String("custody-lines"))
                lines = meta.text(1).toLongLong();
            else if (key == QLatin1String("custody-last"))
                last = meta.text(1);
            else
                seen = LogSeen::parse(meta.text(1));
        }
    }
    // A log that shrank, or whose last line read is no longer there, is another log: every link it
    // gave is taken back and it is read anew.
    if (log.size() < read || (read > 0 && lastLineBefore(log, read) != last)) {
        sql::Transaction transaction(m_db);
        if (!transaction.began() ||
            !m_db.exec("DELETE FROM custody; DELETE FROM link WHERE how IN (0, 1, 3); "
                       "INSERT OR REPLACE INTO meta(key, value) VALUES('custody', '0');") ||
            !transaction.commit())
            return result();
        read = 0;
    }
    if (read == 0)
        lines = 0;
    // The log goes on from the one seen when its line of that number is the one seen.
    bool goesOn = seen.lines == 0 || (lines >= seen.lines && (lines > seen.lines || last == seen.last));
    while (read < log.size() && m_db.error().ok()) {
        sql::Transaction transaction(m_db);
        if (!transaction.began())
            break;
        log.seek(read);
        for (int count = 0; count < kLineBatch && !log.atEnd(); ++count) {
            const QByteArray line = log.readLine();
            // A line still being written, or torn, waits until a line feed ends it.
            if (!line.endsWith('\n') || !applyCustodyLine(line.chopped(1), read))
                break;
            read += line.size();
            last = QString::fromLatin1(QCryptographicHash::hash(line.chopped(1), QCryptographicHash::Sha256).toHex());
            if (++lines == seen.lines)
                goesOn = last == seen.last;
        }
        if (!m_db.error().ok())
            break;
        if (goesOn && lines >= seen.lines)
            seen = {lines, read, last, QDateTime::currentDateTime().toString(Qt::ISODate)};
        sql::Query meta = m_db.query("INSERT OR REPLACE INTO meta(key, value) VALUES('custody', ?), "
                                     "('custody-lines', ?), ('custody-last', ?), ('log-seen', ?)");
        if (!meta.bind(QString::number(read)).bind(QString::number(lines)).bind(last).bind(seen.text()).run() ||
            !transaction.commit() || log.pos() != read)
            break;
    }
    return result();
}

LogSeen LogSeen::parse(const QString& text) {
    const QStringList parts = text.split(u' ');
    if (parts.size() != 4)
        return {};
    return {parts[0].toLongLong(), parts[1].toLongLong(), parts[2], parts[3]};
}

QString LogSeen::text() const {
    return QStringLiteral("%1 %2 %3 %4").arg(lines).arg(bytes).arg(last, time);
}

sql::Error Index::logSeen(LogSeen* seen) {
    *seen = {};
    if (const sql::Error opened = open(); !opened)
        return opened;
    sql::Query meta = m_db.query("SELECT value FROM meta WHERE key = 'log-seen'");
    if (meta.next())
        *seen = LogSeen::parse(meta.text(0));
    return result();
}

sql::Error Index::sync(bool full, const std::atomic_bool& cancel, const std::function<void(int, int)>& progress) {
    if (const sql::Error opened = open(); !opened)
        return opened;
    if (full) {
        sql::Transaction transaction(m_db);
        if (!transaction.began() ||
            !m_db.exec("DELETE FROM custody; DELETE FROM link WHERE how IN (0, 1, 3); "
                       "INSERT OR REPLACE INTO meta(key, value) VALUES('custody', '0'); DELETE FROM meta WHERE key = "
                       "'built';") ||
            !transaction.commit())
            return result();
    }
    if (const sql::Error read = readCustodyLog(); !read)
        return read;

    const qint64 now = QDateTime::currentSecsSinceEpoch();
    if (!full) {
        QString lookedFolder;
        qint64 looked = 0;
        qint64 counted = 0;
        {
            sql::Query meta = m_db.query("SELECT key, value FROM meta WHERE key IN ('folder', 'looked', 'counted')");
            while (meta.next())
                if (meta.text(0) == QLatin1String("folder"))
                    lookedFolder = meta.text(1);
                else
                    (meta.text(0) == QLatin1String("looked") ? looked : counted) = meta.text(1).toLongLong();
            if (!m_db.error().ok())
                return result();
        }
        // The program's own changes came through the custody log and updateInquiries(); a file made,
        // removed or renamed in BL/ changes the folder; one rewritten in place is found by the full
        // look, at most a minute later. An index that cannot be written has been found level at open.
        if (m_readOnly || (now >= looked && now - looked < kLookEverySeconds)) {
            const FolderCheck check = folderAsStamped(lookedFolder, std::max(looked, counted));
            // The stamp counted again once its tick was over: from now on its time tells alone. A
            // count that cannot be noted is only made again.
            if (check == FolderCheck::SameCountedAfterItsTick && !m_readOnly) {
                sql::Query note = m_db.query("INSERT OR REPLACE INTO meta(key, value) VALUES('counted', ?)");
                if (!note.bind(QString::number(now)).run())
                    m_db.clearError();
            }
            if (check != FolderCheck::Changed)
                return {};
        }
    }
    // Taken before the look, so that a file that comes during it is looked for the next time.
    const QString folder = folderStamp();

    const QDir bl(programdir::blDir(m_programDir));
    const QStringList templates = bl.entryList({QStringLiteral("*.ini")}, QDir::Files);
    const QStringList captures = bl.entryList({QStringLiteral("*.avi")}, QDir::Files);
    QHash<QString, Stamp> known;
    {
        sql::Query rows = m_db.query("SELECT name, size, modified FROM inquiry");
        while (rows.next())
            known.insert(rows.text(0), {rows.integer(1), rows.integer(2)});
    }
    struct OwnFile {
        Stamp stamp;
        qint64 sidecar = 0;
    };
    QHash<QString, OwnFile> ownFiles;
    {
        sql::Query rows = m_db.query("SELECT name, size, modified, sidecar FROM file WHERE kind <= 2");
        while (rows.next())
            ownFiles.insert(rows.text(0), {{rows.integer(1), rows.integer(2)}, rows.integer(3)});
        if (!m_db.error().ok())
            return result();
    }
    // A template is read again when it, its document, its PDF or one of their fingerprints changed.
    const auto changed = [&](const QString& fileName) {
        const QString name = QFileInfo(fileName).completeBaseName();
        const auto found = known.constFind(name);
        if (found == known.constEnd() || *found != stampOf(bl.filePath(fileName)))
            return true;
        for (const char* suffix : kOwnSuffixes) {
            const QString own = bl.filePath(name + QLatin1String(suffix));
            const Stamp stamp = stampOf(own);
            const auto stored = ownFiles.constFind(storedName(m_programDir, own));
            if (stored == ownFiles.constEnd()
                    ? stamp.exists()
                    : stored->stamp != stamp || stored->sidecar != stampOf(fingerprint::sidecarPath(own)).modified)
                return true;
        }
        return false;
    };
    QStringList work;
    for (const QString& fileName : templates)
        if (full || changed(fileName))
            work << fileName;

    int done = 0;
    while (done < work.size()) {
        if (cancel)
            return {sql::Failure::Other, QStringLiteral("已取消")};
        sql::Transaction transaction(m_db);
        bool ok = transaction.began();
        for (int i = 0; ok && i < kBatch && done < work.size(); ++i, ++done)
            ok = storeTemplate(bl.filePath(work[done]));
        if (!ok || !transaction.commit())
            return result();
        if (progress)
            progress(done, int(work.size()));
    }

    // Evidence that changed or went, and captures that appeared, one file at a time: a capture may
    // take a while to read, and other programs write meanwhile.
    QList<QPair<QString, int>> evidence;
    {
        sql::Query rows = m_db.query("SELECT name, kind FROM file WHERE kind >= 3");
        while (rows.next())
            evidence.append({rows.text(0), int(rows.integer(1))});
    }
    for (const QString& fileName : captures)
        evidence.append({storedName(m_programDir, bl.filePath(fileName)), int(FileKind::Capture)});
    for (const auto& [name, kind] : evidence) {
        if (cancel)
            return {sql::Failure::Other, QStringLiteral("已取消")};
        sql::Transaction transaction(m_db);
        if (!transaction.began() || !storeFile(name, FileKind(kind), full) || !transaction.commit())
            return result();
    }

    sql::Transaction transaction(m_db);
    bool ok = transaction.began();
    QSet<QString> present;
    for (const QString& fileName : templates)
        present.insert(QFileInfo(fileName).completeBaseName());
    for (auto it = known.cbegin(); ok && it != known.cend(); ++it)
        if (!present.contains(it.key()) && !stampOf(bl.filePath(it.key() + QStringLiteral(".ini"))).exists())
            ok = removeInquiry(it.key());
    ok =
        ok &&
        m_db.exec("UPDATE inquiry SET recordings = x.r, captures = x.c, state = x.s FROM (SELECT l.inquiry AS name, "
                  "count(CASE WHEN f.kind = 3 THEN 1 END) AS r, count(CASE WHEN f.kind = 4 THEN 1 END) AS c, "
                  "coalesce(max(CASE f.state WHEN 0 THEN 0 WHEN 1 THEN 2 ELSE 1 END), 0) AS s FROM link l "
                  "JOIN file f ON f.name = l.file WHERE l.how > 0 GROUP BY l.inquiry) AS x WHERE inquiry.name = x.name "
                  "AND (recordings <> x.r OR captures <> x.c OR state <> x.s)");
    if (ok && full) {
        sql::Query built = m_db.query("INSERT OR REPLACE INTO meta(key, value) VALUES('built', ?)");
        ok = built.bind(QDateTime::currentDateTime().toString(Qt::ISODate)).run();
    }
    if (ok) {
        sql::Query looked = m_db.query("INSERT OR REPLACE INTO meta(key, value) VALUES('folder', ?), ('looked', ?)");
        ok =
            looked.bind(folder).bind(QString::number(now)).run() && m_db.exec("DELETE FROM meta WHERE key = 'counted'");
    }
    if (!ok || !transaction.commit() || !full)
        return result();
    // Every row of a rebuild replaced its old one: the full-text index merged into one segment and
    // the pages the old rows held given back, so that ten rebuilds leave the file as one does.
    if (m_db.exec("INSERT INTO inquiry_terms(inquiry_terms) VALUES('optimize')")) {
        qint64 pages = 0;
        qint64 free = 0;
        {
            sql::Query count =
                m_db.query("SELECT page_count, freelist_count FROM pragma_page_count(), pragma_freelist_count()");
            if (count.next()) {
                pages = count.integer(0);
                free = count.integer(1);
            }
        }
        // Busy while another program reads: the index is whole, and the next rebuild compacts it.
        if (m_db.error().ok() && free * 20 > pages && !m_db.exec("VACUUM"))
            m_db.clearError();
    }
    return result();
}

} // namespace archive
