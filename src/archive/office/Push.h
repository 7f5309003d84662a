// One version of an inquiry pushed to the office archive in one transaction: the server holds its
// fields, files, contents and custody lines all together, or none of them.
#pragma once

#include "archive/office/PgConnection.h"
#include "archive/office/Version.h"

#include <atomic>

namespace archive::office {

// Pushes the version. A version the server holds already (the same key, pushed before from here or
// cut off before its answer came) is left as it is, and *known says so. Contents the server holds
// already, from any version of the unit, are not sent again.
Error pushVersion(pg::Connection& connection, const Version& version, const std::atomic_bool& stop,
                  bool* known = nullptr);

} // namespace archive::office
