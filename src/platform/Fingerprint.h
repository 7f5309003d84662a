// Evidence fingerprints: a SHA-256 sidecar NAME.sha256 beside each saved recording, capture,
// document and template, in the format of sha256sum, so that `sha256sum -c NAME.sha256` in the
// file's folder confirms it as well as `quillon verify NAME` does.
#pragma once

#include "platform/DurableFile.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QString>

#include <functional>
#include <vector>

namespace fingerprint {

// path + ".sha256"
QString sidecarPath(const QString& path);

// The file's SHA-256 as 64 lower-case hex digits; empty, with the cause in *result, when it cannot
// be read. The second form takes the path's bytes as the system knows them. going(bytes) is told each
// piece read and stops the reading (ECANCELED) by answering false.
QByteArray sha256Hex(const QString& path, durable::Result* result = nullptr,
                     const std::function<bool(qint64 bytes)>& going = {});
QByteArray sha256Hex(const QByteArray& encodedPath, durable::Result* result = nullptr,
                     const std::function<bool(qint64 bytes)>& going = {});

// The line sha256sum writes for a file of that name: digest, two spaces, name, line feed; a name
// holding a backslash, a line feed or a carriage return is escaped as sha256sum escapes it.
QByteArray sidecarLine(const QByteArray& hex, const QString& fileName);

// A line of a list as sha256sum reads it: the digest in lower-case hex, the name unescaped.
struct ListEntry {
    QByteArray hex;
    QByteArray name;
};
// The well-formed lines of a list; comment lines (starting with "#") and malformed ones are passed by.
std::vector<ListEntry> readList(const QByteArray& text);

// Writes path's sidecar through the durable write path. When that fails, an earlier sidecar, which
// no longer matches the file, is removed, so that the file is never vouched for by a wrong digest.
durable::Result write(const QString& path);

// The message for a sidecar that could not be written, in the style of the save messages.
QString failureText(const QString& path, const durable::Result& result);

// The SHA-256 that path's sidecar records for it, in lower-case hex; empty when there is none.
QByteArray recorded(const QString& path);

// A file checked against its sidecar: the lines of NAME.sha256 that name this file, by its own name
// or by any other path to it (an absolute one, as `sha256sum /path/NAME` writes), must all match.
enum class Check { Ok, Changed, NoFingerprint, Missing, Unreadable };
Check check(const QString& path);

// One file a check looked at: its path as given, its SHA-256 when it could be read, and the verdict
// as printed ("OK", "FAILED (…)").
struct CheckedFile {
    QByteArray path;
    QByteArray sha256;
    QString verdict;
};

// `quillon verify ARGUMENT...`, with the arguments' bytes as given. A FILE is checked against
// FILE.sha256 and gets one line, "FILE: OK" or "FILE: FAILED (why)"; a LIST.sha256 is checked as
// `sha256sum -c LIST.sha256` checks it, one line for each file it names. Every verdict is the one
// sha256sum gives, and is also handed to checked when given. 0 when every check is OK, 1 otherwise,
// 2 without arguments.
int verifyCommand(const QByteArrayList& arguments, const std::function<void(const CheckedFile&)>& checked = {});

} // namespace fingerprint
