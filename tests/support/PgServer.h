// A private PostgreSQL server for the office archive's tests and benchmarks: initdb and pg_ctl in a
// temporary folder, run as the postgres system user when the test runs as root (initdb refuses
// root), listening only on a Unix socket in that folder, with the archive's schema applied.
#pragma once

#include <QString>
#include <QTemporaryDir>

class PgServer {
public:
    PgServer();
    // Stops the server if it runs.
    ~PgServer();
    PgServer(const PgServer&) = delete;
    PgServer& operator=(const PgServer&) = delete;

    // initdb, start, database "quillon", resources/office-archive.sql (or the schema script given);
    // the error on failure.
    QString setUp(const QString& schema = {});
    bool start();
    // fast: a clean shutdown; otherwise immediate, as a crash.
    bool stop(bool fast = true);

    // A libpq connection string for the role.
    QString conninfo(const QString& role) const;
    // Runs SQL through psql as the database's owner, or as role; psql's output, or "ERROR…" text
    // and *ok false when psql failed.
    QString psql(const QString& sql, const QString& role = {}, bool* ok = nullptr,
                 const QString& database = QStringLiteral("quillon")) const;
    // Applies a schema script to the database as its owner; the error on failure.
    QString apply(const QString& script, const QString& database = QStringLiteral("quillon")) const;
    // pg_dump's text of schema quillon: tables, functions, policies and grants.
    QString schemaDump(const QString& database) const;
    // A login role of quillon_inspector belonging to unit.
    bool addInspector(const QString& role, const QString& unit) const;

private:
    QString run(const QStringList& command, bool* ok, int timeoutMs = 120000) const;

    QTemporaryDir m_dir;
    bool m_running = false;
};
