// Evidence fingerprints: a SHA-256 sidecar NAME.sha256 beside each saved recording, capture,
// document and template, in the format of sha256sum, so that `sha256sum -c NAME.sha256` in the
// file's folder confirms it as well as `quillon verify NAME` does.
#pragma once

#include "platform/DurableFile.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

namespace fingerprint {

// path + ".sha256"
QString sidecarPath(const QString& path);

// The file's SHA-256 as 64 lower-case hex digits; empty, with the cause in *result, when it cannot
// be read. going(bytes) is told each piece read and stops the reading (ECANCELED) by answering false.
QByteArray sha256Hex(const QString& path, durable::Result* result = nullptr,
                     const std::function<bool(qint64 bytes)>& going = {});

// The line sha256sum writes for a file of that name: digest, two spaces, name, line feed; a name
// holding a backslash or a line break is escaped as sha256sum escapes it.
QByteArray sidecarLine(const QByteArray& hex, const QString& fileName);

// Writes path's sidecar through the durable write path. When that fails, an earlier sidecar, which
// no longer matches the file, is removed, so that the file is never vouched for by a wrong digest.
durable::Result write(const QString& path);

// The message for a sidecar that could not be written, in the style of the save messages.
QString failureText(const QString& path, const durable::Result& result);

// The SHA-256 that path's sidecar records for it; empty when there is none.
QByteArray recorded(const QString& path);

enum class Check { Ok, Changed, NoFingerprint, Unreadable };
Check check(const QString& path);

// `quillon verify FILE...`: prints "FILE: OK" or "FILE: FAILED (why)" for each file on standard
// output. 0 when every file matches its fingerprint, 1 when any is changed, unreadable or has none,
// 2 without files.
int verifyCommand(const QStringList& files);

} // namespace fingerprint
