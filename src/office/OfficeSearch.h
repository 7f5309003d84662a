// Reading the office archive: the inquiries a search finds among those the role may see, the
// versions of one inquiry, a version's files, and a file's bytes fetched when they are needed.
#pragma once

#include "archive/Index.h"
#include "office/PgConnection.h"

#include <QList>
#include <QString>

#include <atomic>

namespace office {

struct OfficeRow {
    archive::InquiryRow row; // of its latest version
    QString officeUnit;      // the unit of the office whose inspectors pushed it
    qint64 version = 0;      // the latest version's id
    int versions = 0;
};

// Every word typed is a substring of the latest version's fields, as in the local archive; newest
// first, at most limit rows.
Error searchOffice(pg::Connection& connection, const QString& typed, int limit, QList<OfficeRow>* rows);

struct OfficeVersion {
    qint64 id = 0;
    QString event;      // the custody log's name for what made it
    QString savedAt;    // by the desktop's clock, in this desktop's time
    QString receivedAt; // by the server's clock, which orders the versions
    QString host;
    QString desktopUser;
    QString pushedBy;
};
// The versions of an inquiry of a unit in the order the server received them, the latest last.
Error versionsOf(pg::Connection& connection, const QString& officeUnit, const QString& inquiry,
                 QList<OfficeVersion>* versions);

struct OfficeFile {
    QString name;
    archive::FileKind kind = archive::FileKind::Template;
    QString sha256;
    qint64 size = -1;
    archive::FileState state = archive::FileState::Missing;
    bool stored = false; // false: its bytes stayed on the desktop that pushed it
};
Error filesOf(pg::Connection& connection, qint64 version, QList<OfficeFile>* files);
// A version's custody-log lines as the desktop wrote them.
Error custodyOf(pg::Connection& connection, qint64 version, QList<QByteArray>* lines);

// Writes the file's bytes to target (through the durable path), checked against their SHA-256 as
// they arrive; a fetch that fails or is stopped leaves no file at target.
Error fetchFile(pg::Connection& connection, qint64 version, const QString& name, const QString& target,
                const std::atomic_bool& stop);

} // namespace office
