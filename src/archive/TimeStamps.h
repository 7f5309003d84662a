// Trusted time-stamps (RFC 3161) of the custody log's chain head: with `tsa=URL` and `tsa-ca=FILE`
// in set.ini's [archive], the SHA-256 of the log's last line is sent to the time-stamp authority after
// a save, a capture's end and an export, at most once a minute, and the token it signs is kept in
// custody.tokens/ beside the log, named by that SHA-256. The head waits in custody.tokens/pending
// until a token is had, so that no save waits on the network. `log verify` checks every token's
// signature against the CA and finds the line whose SHA-256 it holds: a line changed or removed up to
// there, even with the chain recomputed after it, leaves a token that matches no line.
#pragma once

#include "archive/CustodyLog.h"

#include <QString>

#include <optional>

namespace archive::timestamps {

struct Setting {
    QString url; // http://host[:port]/path
    QString caFile;
    bool configured() const { return !url.isEmpty(); }
};
Setting setting(const QString& programDir);

QString tokenDir(const QString& programDir);

// Notes the head to be time-stamped; nothing when no authority is set. False when it could not be
// written, with why.
bool queue(const QString& programDir, const QString& head, QString* error);

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
