// Every step waits with a time limit; the server is stopped by pg_ctl, never by a signal to a name.
#include "PgServer.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include <pwd.h>
#include <unistd.h>

namespace {

const QString kBin = QStringLiteral("/usr/lib/postgresql/15/bin/");

} // namespace

PgServer::PgServer() = default;

PgServer::~PgServer() {
    if (m_running)
        stop(false);
}

QString PgServer::run(const QStringList& command, bool* ok, int timeoutMs) const {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    QStringList arguments = command;
    QString program = arguments.takeFirst();
    if (::geteuid() == 0) {
        arguments = QStringList{"-u", "postgres", "--", program} + arguments;
        program = QStringLiteral("runuser");
    }
    process.setWorkingDirectory(m_dir.path());
    process.start(program, arguments);
    const bool finished = process.waitForFinished(timeoutMs);
    if (!finished)
        process.kill();
    process.waitForFinished(5000);
    const QString output = QString::fromUtf8(process.readAll());
    *ok = finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return output;
}

QString PgServer::setUp(const QString& schema) {
    if (!m_dir.isValid())
        return QStringLiteral("no temporary folder");
    if (::geteuid() == 0) {
        const passwd* postgres = ::getpwnam("postgres");
        if (!postgres || ::chown(QFile::encodeName(m_dir.path()).constData(), postgres->pw_uid, postgres->pw_gid) != 0)
            return QStringLiteral("no postgres user to run the server as");
    }
    bool ok = false;
    QString said =
        run({kBin + "initdb", "-D", m_dir.filePath("data"), "-A", "trust", "-E", "UTF8", "--locale=C.UTF-8"}, &ok);
    if (!ok)
        return said;
    if (!start())
        return QStringLiteral("pg_ctl start failed");
    said = run({kBin + "psql", "-h", m_dir.path(), "-d", "postgres", "-qc", "CREATE DATABASE quillon"}, &ok);
    if (!ok)
        return said;
    return apply(schema.isEmpty() ? qEnvironmentVariable("QUILLON_SOURCE_DIR") + "/resources/office-archive.sql"
                                  : schema);
}

QString PgServer::apply(const QString& script, const QString& database) const {
    bool ok = false;
    const QString said =
        run({kBin + "psql", "-h", m_dir.path(), "-d", database, "-qX", "-v", "ON_ERROR_STOP=1", "-f", script}, &ok);
    return ok ? QString() : said.isEmpty() ? QStringLiteral("psql failed") : said;
}

QString PgServer::schemaDump(const QString& database) const {
    bool ok = false;
    QString said = run({kBin + "pg_dump", "-h", m_dir.path(), "-d", database, "-s", "-n", "quillon"}, &ok);
    // The key pg_dump draws anew for each dump to fence its psql meta-commands.
    said.remove(QRegularExpression(QStringLiteral("^\\\\(un)?restrict .*$"), QRegularExpression::MultilineOption));
    return ok ? said : "pg_dump failed: " + said;
}

bool PgServer::start() {
    bool ok = false;
    run({kBin + "pg_ctl", "-D", m_dir.filePath("data"), "-w", "-t", "60", "-l", m_dir.filePath("log"), "-o",
         "-k " + m_dir.path() + " -c listen_addresses= -c fsync=on", "start"},
        &ok);
    m_running = ok;
    return ok;
}

bool PgServer::stop(bool fast) {
    bool ok = false;
    run({kBin + "pg_ctl", "-D", m_dir.filePath("data"), "-w", "-t", "60", "-m", fast ? "fast" : "immediate", "stop"},
        &ok);
    if (ok)
        m_running = false;
    return ok;
}

QString PgServer::conninfo(const QString& role) const {
    return QStringLiteral("host=%1 dbname=quillon user=%2").arg(m_dir.path(), role);
}

QString PgServer::psql(const QString& sql, const QString& role, bool* ok, const QString& database) const {
    bool done = false;
    QStringList command{kBin + "psql", "-h", m_dir.path(), "-d", database, "-qAtX", "-v", "ON_ERROR_STOP=1"};
    if (!role.isEmpty())
        command << "-U" << role;
    const QString output = run(command << "-c" << sql, &done).trimmed();
    if (ok)
        *ok = done;
    return output;
}

bool PgServer::addInspector(const QString& role, const QString& unit) const {
    bool ok = false;
    psql(QStringLiteral("CREATE ROLE %1 LOGIN; GRANT quillon_inspector TO %1; INSERT INTO quillon.member(role, unit) "
                        "VALUES ('%1', '%2')")
             .arg(role, unit),
         {}, &ok);
    return ok;
}
