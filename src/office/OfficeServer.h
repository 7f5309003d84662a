// What a desktop learns of the office's server when it connects: whether the archive there is one
// this program can work with, the unit the role belongs to, and how much evidence the office keeps.
#pragma once

#include "office/PgConnection.h"

namespace office {

// The archive version this program speaks: the tables and rules of resources/office-archive.sql.
constexpr int kArchiveVersion = 1;

struct ServerFacts {
    int version = 0;
    QString unit;              // empty: the role belongs to no unit and may not push
    qint64 evidenceLimit = -1; // bytes; negative: every recording and capture goes to the server
};

// Reads quillon.schema_version: a server whose archive is older than this program, or newer than
// this program can work with, is named as such.
Error checkServer(pg::Connection& connection, ServerFacts* facts);

// Connects to the server set.ini names and checks it; a role that belongs to no unit is refused
// when pushing is asked for, since the server would refuse every version it sent.
Error connectOffice(const QString& programDir, pg::Connection& connection, ServerFacts* facts, bool toPush = true);

} // namespace office
