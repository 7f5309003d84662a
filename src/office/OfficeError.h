// What went wrong with the office archive, named for the inspector: a server that cannot be
// reached, a login it refused, a row its policy denied, an archive of another version, a full disk.
#pragma once

#include <QString>

namespace office {

enum class Failure {
    None,
    NotConfigured, // set.ini names no office archive
    BadSetting,    // [archive] server in set.ini cannot be used
    Unreachable,   // no server answered, or the connection broke off
    LoginRefused,  // the server answered and refused the role, its password or its certificate
    Untrusted,     // the server's certificate could not be verified (sslmode verify-ca, verify-full)
    PolicyDenied,  // the role may not do this: no unit, or a policy or privilege says no
    SchemaMissing, // the database holds no office archive
    SchemaTooOld,  // the archive on the server is older than this program can work with
    SchemaTooNew,  // newer
    DiskFull,      // the server could not write
    Stopped,       // the program is ending
    LocalOutbox,   // the outbox in archive.sqlite could not be read or written
    Other,
};

struct Error {
    Failure failure = Failure::None;
    // The server's or libpq's own words, or the versions for a schema failure.
    QString detail;

    bool ok() const { return failure == Failure::None; }
    explicit operator bool() const { return ok(); }
    // Whether trying again later may succeed without anyone changing anything.
    bool passes() const { return failure == Failure::Unreachable || failure == Failure::DiskFull; }
    // The sentence the status bar, a message box or the command line shows.
    QString text() const;
};

} // namespace office
