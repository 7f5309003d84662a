// One SQLite connection with its prepared statements, and its failures sorted by what they mean for
// the archive index: a damaged file is replaced, a full disk waits for space, a lock held too long by
// another program is tried again later.
#pragma once

#include <QByteArray>
#include <QString>

#include <map>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace archive::sql {

enum class Failure { None, Damaged, DiskFull, Busy, ReadOnly, Other };

struct [[nodiscard]] Error {
    Failure failure = Failure::None;
    QString text; // SQLite's own words, for the status note

    bool ok() const { return failure == Failure::None; }
    explicit operator bool() const { return ok(); }
};

class Connection;

// A prepared statement, reset and unbound when the Query goes. Values bind in order.
class Query {
public:
    Query(Connection& connection, sqlite3_stmt* statement);
    ~Query();
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    Query& bind(const QString& value);
    Query& bind(qint64 value);
    Query& bind(int value) { return bind(qint64(value)); }
    Query& bindBlob(const QByteArray& value);
    Query& bindNull();

    // The next row: false at the end or on a failure, which the connection keeps.
    bool next();
    // Runs a statement that returns no rows: false on a failure.
    bool run();

    QString text(int column) const;
    // The text as SQLite holds it (UTF-8), valid until the next step.
    QByteArrayView utf8(int column) const;
    qint64 integer(int column) const;
    QByteArray blob(int column) const;
    bool isNull(int column) const;

private:
    Connection& m_connection;
    sqlite3_stmt* m_statement;
    int m_bound = 0;
};

class Connection {
public:
    Connection() = default;
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Opens the file in WAL mode with a busy timeout, so that several programs share it; readOnly:
    // only read, and as an unchanging file (SQLite's immutable open) in a folder this program
    // cannot write.
    Error open(const QString& path, bool readOnly = false);
    void close();
    bool isOpen() const { return m_db != nullptr; }
    sqlite3* handle() const { return m_db; }

    // Runs one or more statements without results.
    bool exec(const char* sql);
    // The statement prepared once and kept for the life of the connection; a statement that cannot
    // be prepared gives a Query that fails.
    Query query(const char* sql);

    // The first failure since the last clearError().
    const Error& error() const { return m_error; }
    void clearError() { m_error = {}; }
    // Keeps the failure of the last call when none is kept yet; false.
    bool fail();

    qint64 lastInsertId() const;
    int changes() const;
    // Sets how many pages the connection keeps in memory (SQLite's cache_size) and returns the
    // setting it had; keeps no failure.
    qint64 keepPages(qint64 pages);

private:
    sqlite3* m_db = nullptr;
    std::map<std::string, sqlite3_stmt*> m_statements;
    Error m_error;
};

// BEGIN IMMEDIATE, and ROLLBACK unless commit() went through.
class Transaction {
public:
    explicit Transaction(Connection& connection);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    bool began() const { return m_open; }
    bool commit();

private:
    Connection& m_connection;
    bool m_open = false;
};

} // namespace archive::sql
