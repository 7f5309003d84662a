// Where the office archive is: the libpq connection string of key server in section [archive] of
// set.ini ("host=… dbname=… user=…", "postgresql://…" or "service=NAME"). The program never keeps a
// password: libpq reads it from ~/.pgpass, or logs in by certificate.
#pragma once

#include "office/OfficeError.h"

#include <QByteArray>
#include <QString>

namespace office {

struct ServerSetting {
    QByteArray conninfo; // empty: no office archive
    Error error;         // a setting that cannot be used, with why

    bool configured() const { return !conninfo.isEmpty() || !error.ok(); }
};

// Read afresh from the program directory's set.ini. A connection string holding a password is
// refused: a password in set.ini is readable by anyone who can read the program directory.
ServerSetting serverSetting(const QString& programDir);

// The server as messages name it: the string without anything secret.
QString serverName(const QByteArray& conninfo);

} // namespace office
