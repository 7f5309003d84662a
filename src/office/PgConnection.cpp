// libpq in non-blocking waits: the connection made with PQconnectPoll and results read with
// PQconsumeInput, so that a stopping program or a silent server ends a wait within a moment.
#include "office/PgConnection.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QStringList>
#include <QtEndian>

#include <libpq-fe.h>

#include <cerrno>
#include <vector>

#include <poll.h>

namespace office::pg {

namespace {

// How long one poll() waits before the stop flag and the time limit are looked at again.
constexpr int kPollMs = 100;
constexpr int kDefaultConnectSeconds = 10;

QString messageText(const char* message) {
    return QString::fromUtf8(message).trimmed();
}

// The SQLSTATE that verbose messages carry after the severity ("FATAL:  28P01: …"), and the
// message without it and without its LOCATION line.
QByteArray stateIn(const QByteArray& message) {
    static const QRegularExpression pattern(QStringLiteral(":  ([0-9A-Z]{5}): "));
    return pattern.match(QString::fromUtf8(message)).captured(1).toLatin1();
}

QString plainMessage(const QByteArray& message) {
    QString text = QString::fromUtf8(message);
    text.remove(QRegularExpression(QStringLiteral("(?<=:  )[0-9A-Z]{5}: ")));
    text.remove(QRegularExpression(QStringLiteral("\\n?LOCATION:[^\\n]*")));
    return text.trimmed();
}

int connectSeconds(PGconn* conn) {
    int seconds = kDefaultConnectSeconds;
    if (PQconninfoOption* options = PQconninfo(conn)) {
        for (PQconninfoOption* option = options; option->keyword; ++option)
            if (qstrcmp(option->keyword, "connect_timeout") == 0 && option->val && *option->val)
                seconds = QByteArray(option->val).toInt();
        PQconninfoFree(options);
    }
    // libpq counts anything below 2 as 2 and 0 as no limit; we keep a limit.
    return seconds <= 0 ? kDefaultConnectSeconds : std::max(seconds, 2);
}

} // namespace

Param text(const QString& value) {
    return {value.toUtf8()};
}

Param number(qint64 value) {
    return {QByteArray::number(value)};
}

Param bytes(const QByteArray& value) {
    return {value, true};
}

Param nullParam() {
    return {{}, false, true};
}

Param textArray(const QStringList& values) {
    QByteArray literal = "{";
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i > 0)
            literal += ',';
        literal += '"';
        for (const char c : values[i].toUtf8()) {
            if (c == '"' || c == '\\')
                literal += '\\';
            literal += c;
        }
        literal += '"';
    }
    literal += '}';
    return {literal};
}

Param bytesArray(const QList<QByteArray>& values) {
    constexpr quint32 kByteaOid = 17;
    QByteArray array;
    const auto add = [&array](quint32 value) {
        const quint32 big = qToBigEndian(value);
        array.append(reinterpret_cast<const char*>(&big), sizeof big);
    };
    // Dimensions, no NULLs, the element type, then the one dimension's length and lower bound.
    for (const quint32 word : {1u, 0u, kByteaOid, quint32(values.size()), 1u})
        add(word);
    for (const QByteArray& value : values) {
        add(quint32(value.size()));
        array += value;
    }
    return {array, true};
}

Failure failureOfState(const QByteArray& sqlState) {
    if (sqlState.startsWith("28") || sqlState == "3D000")
        return Failure::LoginRefused;
    if (sqlState == "42501")
        return Failure::PolicyDenied;
    if (sqlState == "53100")
        return Failure::DiskFull;
    // Connection trouble, a server shutting down or starting up, too many connections.
    if (sqlState.startsWith("08") || sqlState.startsWith("57P") || sqlState == "53300")
        return Failure::Unreachable;
    // A table or schema of the archive the database does not have.
    if (sqlState == "3F000" || sqlState == "42P01")
        return Failure::SchemaMissing;
    return Failure::Other;
}

Result::~Result() {
    PQclear(m_result);
}

Result& Result::operator=(Result&& other) noexcept {
    if (this != &other) {
        PQclear(m_result);
        m_result = std::exchange(other.m_result, nullptr);
    }
    return *this;
}

int Result::rows() const {
    return m_result ? PQntuples(m_result) : 0;
}

QString Result::text(int row, int column) const {
    return QString::fromUtf8(PQgetvalue(m_result, row, column), PQgetlength(m_result, row, column));
}

qint64 Result::number(int row, int column) const {
    return QByteArray(PQgetvalue(m_result, row, column), PQgetlength(m_result, row, column)).toLongLong();
}

QByteArray Result::bytes(int row, int column) const {
    return QByteArray(PQgetvalue(m_result, row, column), PQgetlength(m_result, row, column));
}

bool Result::isNull(int row, int column) const {
    return PQgetisnull(m_result, row, column) != 0;
}

Connection::Connection(const std::atomic_bool* stop) : m_stop(stop) {}

Connection::~Connection() {
    close();
}

void Connection::close() {
    if (m_conn)
        PQfinish(m_conn);
    m_conn = nullptr;
    m_prepared.clear();
}

Error Connection::open(const QByteArray& conninfo) {
    close();
    // Defaults the connection string may override: a silent network is noticed within about a
    // minute. The encoding is ours: every text goes as UTF-8.
    const char* keys[] = {"connect_timeout",  "keepalives_idle",  "keepalives_interval",
                          "keepalives_count", "tcp_user_timeout", "fallback_application_name",
                          "dbname",           "client_encoding",  nullptr};
    const char* values[] = {"10", "30", "10", "3", "60000", "quillon", conninfo.constData(), "UTF8", nullptr};
    m_conn = PQconnectStartParams(keys, values, 1);
    if (!m_conn)
        return {Failure::Other, QStringLiteral("libpq 无法分配连接")};
    PQsetErrorVerbosity(m_conn, PQERRORS_VERBOSE);
    const int limitMs = connectSeconds(m_conn) * 1000;
    QElapsedTimer clock;
    clock.start();
    // A Unix socket that nobody listens on fails at once, inside PQconnectStartParams: that is a
    // server not running, not a bad setting (the setting was parsed before).
    PostgresPollingStatusType polling =
        PQstatus(m_conn) == CONNECTION_BAD ? PGRES_POLLING_FAILED : PGRES_POLLING_WRITING;
    ConnStatusType stage = CONNECTION_STARTED;
    while (polling != PGRES_POLLING_OK && polling != PGRES_POLLING_FAILED) {
        if (m_stop && *m_stop) {
            close();
            return {Failure::Stopped, {}};
        }
        if (clock.elapsed() > limitMs) {
            close();
            return {Failure::Unreachable, QStringLiteral("%1 秒内没有连上").arg(limitMs / 1000)};
        }
        pollfd socket{PQsocket(m_conn), short(polling == PGRES_POLLING_READING ? POLLIN : POLLOUT), 0};
        const int ready = ::poll(&socket, 1, kPollMs);
        if (ready == 0 || (ready < 0 && errno == EINTR))
            continue;
        stage = PQstatus(m_conn);
        polling = PQconnectPoll(m_conn);
    }
    if (polling == PGRES_POLLING_OK) {
        PQsetErrorVerbosity(m_conn, PQERRORS_DEFAULT);
        return {};
    }
    const QByteArray message = PQerrorMessage(m_conn);
    Error error{Failure::Unreachable, plainMessage(message)};
    if (PQconnectionNeedsPassword(m_conn))
        error.failure = Failure::LoginRefused;
    else if (const QByteArray state = stateIn(message); !state.isEmpty())
        error.failure = failureOfState(state) == Failure::LoginRefused ? Failure::LoginRefused : Failure::Unreachable;
    else if (stage == CONNECTION_SSL_STARTUP)
        error.failure = Failure::Untrusted;
    close();
    return error;
}

Error Connection::prepared(const char* sql, std::string* name) {
    if (!m_conn)
        return {Failure::Unreachable, QStringLiteral("没有连接")};
    const auto found = m_prepared.find(sql);
    if (found != m_prepared.end()) {
        *name = found->second;
        return {};
    }
    *name = "q" + std::to_string(m_prepared.size() + 1);
    if (!PQsendPrepare(m_conn, name->c_str(), sql, 0, nullptr))
        return connectionLost();
    if (Error error = collect([](pg_result*) { return false; }); !error)
        return error;
    m_prepared.emplace(sql, *name);
    return {};
}

Error Connection::send(const char* sql, const QList<Param>& params, bool binaryRows) {
    std::string name;
    if (Error error = prepared(sql, &name); !error)
        return error;
    std::vector<const char*> values;
    std::vector<int> lengths;
    std::vector<int> formats;
    for (const Param& param : params) {
        values.push_back(param.null ? nullptr : param.value.constData());
        lengths.push_back(int(param.value.size()));
        formats.push_back(param.binary ? 1 : 0);
    }
    if (!PQsendQueryPrepared(m_conn, name.c_str(), int(params.size()), values.data(), lengths.data(), formats.data(),
                             binaryRows ? 1 : 0))
        return connectionLost();
    return {};
}

Error Connection::run(const char* sql, const QList<Param>& params, Result* result, bool binaryRows) {
    if (Error error = send(sql, params, binaryRows); !error)
        return error;
    return collect([result](pg_result* r) {
        if (!result || PQresultStatus(r) != PGRES_TUPLES_OK)
            return false;
        *result = Result(r);
        return true;
    });
}

Error Connection::exec(const char* sql) {
    if (!m_conn)
        return {Failure::Unreachable, QStringLiteral("没有连接")};
    if (!PQsendQuery(m_conn, sql))
        return connectionLost();
    return collect([](pg_result*) { return false; });
}

Error Connection::stream(const char* sql, const QList<Param>& params,
                         const std::function<bool(const Result& row)>& row) {
    if (Error error = send(sql, params, true); !error)
        return error;
    PQsetSingleRowMode(m_conn);
    bool going = true;
    Error error = collect([&](pg_result* r) {
        if (going && PQresultStatus(r) == PGRES_SINGLE_TUPLE) {
            Result one(r);
            going = row(one);
            if (!going)
                close(); // the rest of the rows is not waited for
            return true;
        }
        return false;
    });
    return going ? error : Error{};
}

Error Connection::collect(const std::function<bool(pg_result*)>& each) {
    Error error;
    while (m_conn) {
        if (Error waited = wait(); !waited)
            return waited;
        pg_result* r = PQgetResult(m_conn);
        if (!r)
            break;
        if (PQresultStatus(r) == PGRES_FATAL_ERROR && error.ok())
            error = failureOf(r);
        if (!each(r))
            PQclear(r);
    }
    if (m_conn && PQstatus(m_conn) == CONNECTION_BAD)
        return connectionLost();
    return error;
}

Error Connection::wait() {
    QElapsedTimer quiet;
    quiet.start();
    while (m_conn && PQisBusy(m_conn)) {
        if (m_stop && *m_stop) {
            close();
            return {Failure::Stopped, {}};
        }
        if (quiet.elapsed() > m_responseLimitMs) {
            close();
            return {Failure::Unreachable, QStringLiteral("服务器 %1 秒没有回应").arg(m_responseLimitMs / 1000)};
        }
        pollfd socket{PQsocket(m_conn), POLLIN, 0};
        const int ready = ::poll(&socket, 1, kPollMs);
        if (ready > 0) {
            if (!PQconsumeInput(m_conn))
                return connectionLost();
            quiet.restart();
        }
    }
    return {};
}

Error Connection::connectionLost() {
    const Error error{Failure::Unreachable,
                      QStringLiteral("连接中断：%1").arg(m_conn ? plainMessage(PQerrorMessage(m_conn)) : QString())};
    close();
    return error;
}

Error Connection::failureOf(pg_result* result) {
    const char* state = PQresultErrorField(result, PG_DIAG_SQLSTATE);
    const char* primary = PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY);
    const QString detail = primary ? messageText(primary) : plainMessage(PQresultErrorMessage(result));
    if (!state)
        return {PQstatus(m_conn) == CONNECTION_BAD ? Failure::Unreachable : Failure::Other, detail};
    return {failureOfState(state), detail};
}

} // namespace office::pg
