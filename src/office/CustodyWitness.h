// The office's server as a witness of this desktop's custody log: each push sends the lines added
// since the last one, in order, and the server checks that each names the one before it; `quillon
// log verify` compares the log as it is now with what the server received of it.
#pragma once

#include "office/PgConnection.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace office {

// Sends the complete lines of programDir's custody.log that the server does not hold yet.
Error pushCustodyLog(pg::Connection& connection, const QString& programDir);

// The fingerprints of the log's lines, first to last (a torn last line counts as a line).
QList<QByteArray> lineFingerprints(const QByteArray& log);

// What differs between the lines the server received (their fingerprints, first to last) and the
// log's lines now: each received line changed, missing or moved out of its order here, named by
// its number in the server's copy.
QStringList custodyDifferences(const QList<QByteArray>& received, const QList<QByteArray>& local);

struct WitnessReport {
    int received = 0;     // lines the server holds of this desktop's log
    QStringList findings; // custodyDifferences, and breaks the server recorded when the lines came
};

// Reads the server's copy of programDir's log and compares.
Error compareWithServer(pg::Connection& connection, const QString& programDir, WitnessReport* report);

} // namespace office
