// One connection to the office's PostgreSQL server through libpq: statements prepared once and
// run with their parameters, every wait limited in time and ended at once when the program stops,
// and every failure sorted into what it means for the inspector.
#pragma once

#include "office/OfficeError.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <atomic>
#include <functional>
#include <map>
#include <string>

struct pg_conn;
struct pg_result;

namespace office::pg {

// One parameter: text, or bytes sent as they are (bytea); SQL NULL when null is set.
struct Param {
    QByteArray value;
    bool binary = false;
    bool null = false;
};
Param text(const QString& value);
Param number(qint64 value);
Param bytes(const QByteArray& value);
Param nullParam();
// A text[] literal of the values.
Param textArray(const QStringList& values);
// A bytea[] in binary form, so that the bytes go as they are.
Param bytesArray(const QList<QByteArray>& values);

// A statement's rows in text form (bytes in binary form where asked).
class Result {
public:
    Result() = default;
    explicit Result(pg_result* result) : m_result(result) {}
    ~Result();
    Result(Result&& other) noexcept : m_result(std::exchange(other.m_result, nullptr)) {}
    Result& operator=(Result&& other) noexcept;
    Result(const Result&) = delete;
    Result& operator=(const Result&) = delete;

    int rows() const;
    QString text(int row, int column) const;
    qint64 number(int row, int column) const;
    QByteArray bytes(int row, int column) const;
    bool isNull(int row, int column) const;

private:
    pg_result* m_result = nullptr;
};

class Connection {
public:
    // stop, when given, ends any wait as soon as it is set.
    explicit Connection(const std::atomic_bool* stop = nullptr);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Connects with a libpq connection string ("host=… dbname=…", "postgresql://…" or
    // "service=NAME"); libpq finds passwords in ~/.pgpass and certificates in ~/.postgresql itself.
    Error open(const QByteArray& conninfo);
    void close();
    bool isOpen() const { return m_conn != nullptr; }

    // Runs a statement prepared once per connection; its rows in *result. binaryRows: bytea columns
    // come as bytes.
    Error run(const char* sql, const QList<Param>& params = {}, Result* result = nullptr, bool binaryRows = false);
    // Statements without parameters or rows (BEGIN, COMMIT), as one text.
    Error exec(const char* sql);
    // Rows one at a time, as they arrive, in binary form; row() answers false to stop early.
    Error stream(const char* sql, const QList<Param>& params, const std::function<bool(const Result& row)>& row);

    // How long a statement may wait for the server's first word before the connection counts as lost.
    void setResponseLimit(int seconds) { m_responseLimitMs = seconds * 1000; }

private:
    Error prepared(const char* sql, std::string* name);
    Error send(const char* sql, const QList<Param>& params, bool binaryRows);
    // Reads every result of the statement sent; each() is given each one.
    Error collect(const std::function<bool(pg_result*)>& each);
    Error wait();
    Error connectionLost();
    Error failureOf(pg_result* result);

    const std::atomic_bool* m_stop;
    pg_conn* m_conn = nullptr;
    std::map<std::string, std::string> m_prepared;
    int m_responseLimitMs = 120000;
};

// The failure a server's SQLSTATE means.
Failure failureOfState(const QByteArray& sqlState);

} // namespace office::pg
