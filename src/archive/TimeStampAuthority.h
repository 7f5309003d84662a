// Trusted time-stamps from the authority and their checks, through OpenSSL's own TS functions: what
// links libcrypto, apart from the queue a save writes to (TimeStamps.h).
#pragma once

#include "archive/CustodyLog.h"
#include "archive/TimeStamps.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace archive::timestamps {

enum class Sent { Nothing, Stamped, NotYet, Failed };
struct SendResult {
    Sent sent = Sent::Nothing;
    QString text; // what happened, for the user
};
// Sends the waiting head and keeps the token the authority gives for it, once its signature and
// imprint are checked against the CA. evenWithinAMinute: asked for by the user, not after a save.
SendResult sendPending(const QString& programDir, bool evenWithinAMinute);

// A token for digest from the authority at once, its signature and imprint checked; empty with the
// reason in error when there is none.
QByteArray stampNow(const Setting& setting, const QByteArray& digest, QString* error);
// A token's signature against the CA and its imprint against digest; false with why.
bool checkToken(const QByteArray& token, const QByteArray& digest, const QString& caFile, QString* time,
                QString* error);

// The witness of the tokens kept: nothing when no authority is set and no token is kept.
std::optional<WitnessReport> witness(const QString& programDir, const QList<ChainLine>& chain);

// `quillon log stamp`: the waiting head time-stamped now; 0 when it was, or nothing waited.
int stampCommand(const QString& programDir);

} // namespace archive::timestamps
