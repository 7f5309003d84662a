// Trusted time-stamps (RFC 3161) of the custody log's chain head: with `tsa=URL` and `tsa-ca=FILE`
// in set.ini's [archive], the SHA-256 of the log's last line is sent to the time-stamp authority after
// a save, a capture's end and an export, at most once a minute, and the token it signs is kept in
// custody.tokens/ beside the log, named by that SHA-256. The head waits in custody.tokens/pending
// until a token is had, so that no save waits on the network. `log verify` checks every token's
// signature against the CA and finds the line whose SHA-256 it holds: a line changed or removed up to
// there, even with the chain recomputed after it, leaves a token that matches no line.
#pragma once

#include <QByteArray>
#include <QString>

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

// The files of the tokens: custody.tokens/pending holds the waiting head, <head>.tsr its token.
QString pendingPath(const QString& programDir);
QString tokenPath(const QString& programDir, const QString& head);
// Writes a file of custody.tokens/ whole or not at all; false with why.
bool keepFile(const QString& path, const QByteArray& bytes, QString* error);

} // namespace archive::timestamps
