// Reading the index: the inquiries a search finds, newest first, an inquiry's files and lines, and the
// inquiries of a piece of evidence.
#include "archive/Index.h"

#include "archive/SearchText.h"

#include "platform/DurableFile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <string>
#include <vector>

namespace archive {

namespace {

// The size and modification time of the index: any write into it, the program's or a damaging one,
// changes them. Its write-ahead log is left out: SQLite checks every frame of it by its checksum, and
// its time changes whenever a connection opens it.
QByteArray fileStamp(const QString& databasePath) {
    const QFileInfo file(databasePath);
    return QByteArray::number(file.size()) + ':' + QByteArray::number(file.lastModified().toMSecsSinceEpoch());
}

// Beside the index, not in it: writing it must not change what it vouches for.
QString wholeStampPath(const QString& databasePath) {
    return databasePath + QStringLiteral(".terms-checked");
}

QByteArray readWholeStamp(const QString& databasePath) {
    QFile file(wholeStampPath(databasePath));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeWholeStamp(const QString& databasePath, const QByteArray& stamp) {
    // A stamp that cannot be written only means that the next search checks again.
    [[maybe_unused]] const durable::Result written = durable::writeFile(wholeStampPath(databasePath), stamp);
}

constexpr char kColumns[] = "SELECT i.name, i.date, i.starts, i.ends, i.interviewee, i.unit, i.place, i.inspector, "
                            "i.pairs, i.recordings, i.captures, i.state, i.problem, i.id FROM inquiry i";
constexpr int kColumnsId = 13;
constexpr char kListedColumns[] = "SELECT i.date, i.interviewee, i.unit, i.place, i.pairs, i.name, i.problem, i.id "
                                  "FROM inquiry i";
constexpr int kListedColumnsId = 7;

InquiryRow rowOf(const sql::Query& q) {
    return {q.text(0), q.text(1), q.text(2),         q.text(3),         q.text(4),          q.text(5),
            q.text(6), q.text(7), int(q.integer(8)), int(q.integer(9)), int(q.integer(10)), InquiryState(q.integer(11)),
            q.text(12)};
}

} // namespace

sql::Error Index::search(const SearchRequest& request, QList<InquiryRow>* rows) {
    rows->clear();
    const sql::Error error = search(request, [rows](const InquiryRow& row) { rows->append(row); });
    if (!error)
        rows->clear();
    return error;
}

sql::Error Index::search(const SearchRequest& request, const std::function<void(const InquiryRow&)>& each) {
    return searched(request, kColumns, kColumnsId, [&each](const sql::Query& q) { each(rowOf(q)); });
}

sql::Error Index::list(const SearchRequest& request, const std::function<void(const ListedInquiry&)>& each) {
    if (const sql::Error opened = open(); !opened)
        return opened;
    const qint64 kept = m_db.keepPages(kListingPages);
    const sql::Error listed = searched(request, kListedColumns, kListedColumnsId, [&each](const sql::Query& q) {
        each({q.utf8(0), q.utf8(1), q.utf8(2), q.utf8(3), q.integer(4), q.utf8(5), q.utf8(6)});
    });
    m_db.keepPages(kept);
    return listed;
}

sql::Error Index::searched(const SearchRequest& request, const char* columns, int idColumn,
                           const std::function<void(const sql::Query&)>& visit) {
    if (const sql::Error opened = open(); !opened)
        return opened;
    const std::optional<QByteArray> match = search::matchExpression(request.text);
    // The inquiries that hold the words, found first: how many they are decides how they are read.
    std::vector<qint64> found;
    bool inListingOrder = m_listingOrder;
    if (match) {
        {
            sql::Query terms = m_db.query("SELECT rowid FROM inquiry_terms WHERE inquiry_terms MATCH ?");
            terms.bind(QString::fromUtf8(*match));
            while (terms.next())
                found.push_back(terms.integer(0));
        }
        if (!m_db.error().ok())
            return result();
        if (found.empty())
            return wordFoundNowhere();
        std::sort(found.begin(), found.end());
        // A few are looked up one by one and sorted; many are picked out of the whole list read in
        // its order, which neither looks up nor sorts.
        qint64 inquiries = 0;
        {
            sql::Query last = m_db.query("SELECT max(id) FROM inquiry");
            if (last.next())
                inquiries = last.integer(0);
        }
        inListingOrder = m_listingOrder && qint64(found.size()) * kFoundShareForListingOrder >= inquiries;
    }
    const bool lookedUp = match && !inListingOrder;
    // Eight statements at most for each set of columns, each prepared once.
    std::string sql = columns;
    if (inListingOrder)
        sql += " INDEXED BY inquiry_listed";
    sql += " WHERE 1";
    if (lookedUp)
        sql += " AND i.id IN (SELECT value FROM json_each(?))";
    if (!request.from.isNull())
        sql += " AND i.date <> '' AND i.date >= ?";
    if (!request.to.isNull())
        sql += " AND i.date <> '' AND i.date <= ?";
    sql += " ORDER BY i.date DESC, i.starts DESC, i.name";
    sql::Query q = m_db.query(sql.c_str());
    if (lookedUp) {
        QByteArray ids = "[";
        for (const qint64 id : found)
            ids += QByteArray::number(id) + ',';
        ids.back() = ']';
        q.bind(QString::fromLatin1(ids));
    }
    if (!request.from.isNull())
        q.bind(request.from.toString(Qt::ISODate));
    if (!request.to.isNull())
        q.bind(request.to.toString(Qt::ISODate));
    while (q.next())
        if (!match || lookedUp || std::binary_search(found.begin(), found.end(), q.integer(idColumn)))
            visit(q);
    return result();
}

sql::Error Index::wordFoundNowhere() {
    // Damaged pages of the full-text index may read as no match at all rather than as an error: a
    // word found nowhere is told only when the full-text index is whole. The check reads the whole
    // index, so it is made once for the files as they are now, not for every word typed.
    if (m_readOnly)
        return {};
    const QByteArray files = fileStamp(m_databasePath);
    if (files == readWholeStamp(m_databasePath))
        return {};
    if (!m_db.exec("INSERT INTO inquiry_terms(inquiry_terms, rank) VALUES('integrity-check', 0)") &&
        m_db.error().failure == sql::Failure::Other)
        return {sql::Failure::Damaged, QStringLiteral("全文索引损坏：%1").arg(result().text)};
    if (m_db.error().ok())
        writeWholeStamp(m_databasePath, files);
    return result();
}

sql::Error Index::inquiry(const QString& name, std::optional<InquiryRow>* row) {
    row->reset();
    if (const sql::Error opened = open(); !opened)
        return opened;
    static const std::string sql = std::string(kColumns) + " WHERE i.name = ?";
    sql::Query q = m_db.query(sql.c_str());
    q.bind(name);
    if (q.next())
        *row = rowOf(q);
    return result();
}

sql::Error Index::files(const QString& inquiry, QList<FileRow>* files) {
    files->clear();
    if (const sql::Error opened = open(); !opened)
        return opened;
    sql::Query q = m_db.query("SELECT f.name, f.kind, f.size, f.modified, f.state, l.how FROM link l JOIN file f "
                              "ON f.name = l.file WHERE l.inquiry = ? ORDER BY f.kind, f.name");
    q.bind(inquiry);
    while (q.next())
        files->append({q.text(0), FileKind(q.integer(1)), q.integer(2), q.integer(3), FileState(q.integer(4)),
                       LinkHow(q.integer(5))});
    return result();
}

sql::Error Index::custodyLines(const QString& inquiry, QList<CustodyLineRef>* lines) {
    lines->clear();
    if (const sql::Error opened = open(); !opened)
        return opened;
    sql::Query q = m_db.query("SELECT offset, length FROM custody WHERE inquiry = ? ORDER BY offset");
    q.bind(inquiry);
    while (q.next())
        lines->append({q.integer(0), q.integer(1)});
    return result();
}

sql::Error Index::inquiriesOf(const QString& file, QStringList* inquiries) {
    inquiries->clear();
    if (const sql::Error opened = open(); !opened)
        return opened;
    sql::Query q = m_db.query("SELECT inquiry FROM link WHERE file = ? AND how > 0 ORDER BY inquiry");
    q.bind(file);
    while (q.next())
        *inquiries << q.text(0);
    return result();
}

sql::Error Index::inquiryCount(int* count) {
    *count = 0;
    if (const sql::Error opened = open(); !opened)
        return opened;
    sql::Query q = m_db.query("SELECT count(*) FROM inquiry");
    if (q.next())
        *count = int(q.integer(0));
    return result();
}

} // namespace archive
