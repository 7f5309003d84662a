// The schema version check: each migration says which program versions still work with it.
#include "archive/office/OfficeServer.h"

namespace archive::office {

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

} // namespace archive::office
