// The SQLite library itself (Debian's, with FTS5), without Qt SQL: the index needs the error codes
// that tell a damaged file from a full disk, and the full-text module's own commands.
#include "archive/Database.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <sqlite3.h>

#include <cerrno>
#include <string>

#include <unistd.h>

namespace archive::sql {

namespace {

// Long enough for another program's batch of the rebuild, short enough that a stuck lock is noticed.
constexpr int kBusyTimeoutMs = 10000;

Failure failureOf(sqlite3* db, int code) {
    switch (code & 0xff) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return Failure::Damaged;
    case SQLITE_FULL:
        return Failure::DiskFull;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return Failure::Busy;
    case SQLITE_READONLY:
        return Failure::ReadOnly;
    case SQLITE_IOERR:
        if (db && (sqlite3_system_errno(db) == ENOSPC || sqlite3_system_errno(db) == EDQUOT))
            return Failure::DiskFull;
        return Failure::Other;
    default:
        return Failure::Other;
    }
}

} // namespace

Query::Query(Connection& connection, sqlite3_stmt* statement) : m_connection(connection), m_statement(statement) {}

Query::~Query() {
    if (m_statement) {
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
    }
}

Query& Query::bind(const QString& value) {
    if (m_statement) {
        const QByteArray utf8 = value.toUtf8();
        sqlite3_bind_text(m_statement, ++m_bound, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }
    return *this;
}

Query& Query::bind(qint64 value) {
    if (m_statement)
        sqlite3_bind_int64(m_statement, ++m_bound, value);
    return *this;
}

Query& Query::bindBlob(const QByteArray& value) {
    if (m_statement)
        sqlite3_bind_blob64(m_statement, ++m_bound, value.constData(), sqlite3_uint64(value.size()), SQLITE_TRANSIENT);
    return *this;
}

Query& Query::bindNull() {
    if (m_statement)
        sqlite3_bind_null(m_statement, ++m_bound);
    return *this;
}

bool Query::next() {
    if (!m_statement)
        return false;
    const int code = sqlite3_step(m_statement);
    if (code == SQLITE_ROW)
        return true;
    if (code != SQLITE_DONE)
        m_connection.fail();
    return false;
}

bool Query::run() {
    if (!m_statement)
        return false;
    int code;
    do
        code = sqlite3_step(m_statement);
    while (code == SQLITE_ROW);
    if (code == SQLITE_DONE)
        return true;
    m_connection.fail();
    return false;
}

QString Query::text(int column) const {
    const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
    return QString::fromUtf8(data, sqlite3_column_bytes(m_statement, column));
}

QByteArrayView Query::utf8(int column) const {
    const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
    return QByteArrayView(data, sqlite3_column_bytes(m_statement, column));
}

qint64 Query::integer(int column) const {
    return sqlite3_column_int64(m_statement, column);
}

QByteArray Query::blob(int column) const {
    const auto* data = static_cast<const char*>(sqlite3_column_blob(m_statement, column));
    return QByteArray(data, sqlite3_column_bytes(m_statement, column));
}

bool Query::isNull(int column) const {
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

Connection::~Connection() {
    close();
}

Error Connection::open(const QString& path, bool readOnly) {
    close();
    m_error = {};
    // In a folder this program cannot write, immutable: no lock and no -shm beside the file, which
    // the folder could not hold. Elsewhere read as another program writes it, its WAL included.
    const bool immutable =
        readOnly && ::access(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), W_OK) != 0;
    const QByteArray name = immutable ? "file:" + QUrl::toPercentEncoding(path, "/") + "?immutable=1"
                                      : "file:" + QUrl::toPercentEncoding(path, "/");
    const int flags = SQLITE_OPEN_URI | (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    const int code = sqlite3_open_v2(name.constData(), &m_db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (code != SQLITE_OK) {
        fail();
        if (m_error.ok())
            m_error = {failureOf(m_db, code), QString::fromUtf8(sqlite3_errstr(code))};
        close();
        return m_error;
    }
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    if (readOnly)
        return m_error;
    // WAL lets readers go on while one program writes; a commit needs no sync of its own there, and
    // what a power cut takes from the index is rebuilt from the files.
    exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;");
    return m_error;
}

void Connection::close() {
    for (auto& [sql, statement] : m_statements)
        sqlite3_finalize(statement);
    m_statements.clear();
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

bool Connection::fail() {
    if (m_error.ok()) {
        const int code = m_db ? sqlite3_extended_errcode(m_db) : SQLITE_CANTOPEN;
        m_error = {failureOf(m_db, code),
                   m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString::fromUtf8(sqlite3_errstr(code))};
        if (m_error.ok())
            m_error.failure = Failure::Other;
    }
    return false;
}

bool Connection::exec(const char* sql) {
    if (!m_db)
        return fail();
    return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK || fail();
}

Query Connection::query(const char* sql) {
    if (!m_db) {
        fail();
        return Query(*this, nullptr);
    }
    auto found = m_statements.find(sql);
    if (found == m_statements.end()) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) != SQLITE_OK) {
            fail();
            return Query(*this, nullptr);
        }
        found = m_statements.emplace(sql, statement).first;
    }
    return Query(*this, found->second);
}

qint64 Connection::lastInsertId() const {
    return m_db ? sqlite3_last_insert_rowid(m_db) : 0;
}

int Connection::changes() const {
    return m_db ? sqlite3_changes(m_db) : 0;
}

qint64 Connection::keepPages(qint64 pages) {
    // A setting of this connection alone, which touches no file: it cannot fail on a damaged one,
    // and keeps no failure that a later call would report as its own.
    qint64 kept = -2000; // SQLite's own, 2 MB
    sqlite3_stmt* current = nullptr;
    if (m_db && sqlite3_prepare_v2(m_db, "PRAGMA cache_size", -1, &current, nullptr) == SQLITE_OK &&
        sqlite3_step(current) == SQLITE_ROW)
        kept = sqlite3_column_int64(current, 0);
    sqlite3_finalize(current);
    if (m_db)
        sqlite3_exec(m_db, ("PRAGMA cache_size = " + std::to_string(pages)).c_str(), nullptr, nullptr, nullptr);
    return kept;
}

Transaction::Transaction(Connection& connection) : m_connection(connection) {
    m_open = m_connection.exec("BEGIN IMMEDIATE");
}

Transaction::~Transaction() {
    if (m_open)
        m_connection.exec("ROLLBACK");
}

bool Transaction::commit() {
    if (!m_open)
        return false;
    m_open = false;
    if (m_connection.exec("COMMIT"))
        return true;
    // A commit that failed (a full disk) leaves the transaction open.
    m_connection.exec("ROLLBACK");
    return false;
}

} // namespace archive::sql
