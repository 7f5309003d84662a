// The schema version check: each migration says which program versions still work with it.
#include "office/OfficeServer.h"

#include "office/ServerSetting.h"

namespace office {

Error checkServer(pg::Connection& connection, ServerFacts* facts) {
    *facts = {};
    pg::Result versions;
    // A database without the table holds no archive; SchemaMissing says so.
    if (Error error = connection.run("SELECT version, oldest_client FROM quillon.schema_version ORDER BY version DESC "
                                     "LIMIT 1",
                                     {}, &versions);
        !error)
        return error;
    if (versions.rows() == 0)
        return {Failure::SchemaMissing, QStringLiteral("quillon.schema_version 是空的")};
    facts->version = int(versions.number(0, 0));
    const int oldestClient = int(versions.number(0, 1));
    if (facts->version < kArchiveVersion)
        return {Failure::SchemaTooOld,
                QStringLiteral("服务器是版本 %1，本程序需要版本 %2").arg(facts->version).arg(kArchiveVersion)};
    if (oldestClient > kArchiveVersion)
        return {Failure::SchemaTooNew, QStringLiteral("服务器是版本 %1，只接受版本 %2 以上的程序，本程序是版本 %3")
                                           .arg(facts->version)
                                           .arg(oldestClient)
                                           .arg(kArchiveVersion)};
    pg::Result unit;
    if (Error error = connection.run("SELECT quillon.my_unit(), (SELECT value FROM quillon.setting WHERE key = "
                                     "'evidence_limit')",
                                     {}, &unit);
        !error)
        return error;
    facts->unit = unit.isNull(0, 0) ? QString() : unit.text(0, 0);
    bool limited = false;
    const qint64 limit = unit.isNull(0, 1) ? -1 : unit.text(0, 1).trimmed().toLongLong(&limited);
    facts->evidenceLimit = limited ? limit : -1;
    return {};
}

Error connectOffice(const QString& programDir, pg::Connection& connection, ServerFacts* facts, bool toPush) {
    const ServerSetting setting = serverSetting(programDir);
    if (!setting.error.ok())
        return setting.error;
    if (setting.conninfo.isEmpty())
        return {Failure::NotConfigured, {}};
    Error error = connection.open(setting.conninfo);
    if (error.ok())
        error = checkServer(connection, facts);
    if (error.ok() && toPush && facts->unit.isEmpty())
        error = {Failure::PolicyDenied,
                 QStringLiteral("登录的角色不属于笔录档案的任何单位，请管理员在 quillon.member 中登记")};
    if (!error.ok() && (error.failure == Failure::Unreachable || error.failure == Failure::LoginRefused ||
                        error.failure == Failure::Untrusted))
        error.detail = QStringLiteral("%1（%2）").arg(error.detail, serverName(setting.conninfo));
    return error;
}

} // namespace office
