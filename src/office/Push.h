// One version of an inquiry pushed to the office archive in one transaction: the server holds its
// fields, files, contents and custody lines all together, or none of them.
#pragma once

#include "office/PgConnection.h"
#include "office/Version.h"

#include <atomic>

namespace office {

// Pushes the version. A version the server holds already (the same key, pushed before from here or
// cut off before its answer came) is left as it is, and *known says so. Contents the server holds
// already, from any version of the unit, are not sent again.
Error pushVersion(pg::Connection& connection, const Version& version, const std::atomic_bool& stop,
                  bool* known = nullptr);

// Several versions in one transaction, for a desktop's first upload: all of them or none. A failure
// does not say which version caused it; the caller pushes them one by one to find out.
Error pushVersions(pg::Connection& connection, const QList<Version>& versions, const std::atomic_bool& stop);

} // namespace office
