// INI profile files with the semantics of Windows' profile functions, over GB18030 bytes (GBK's
// superset) with CR LF lines.
#pragma once

#include "DurableFile.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <optional>

namespace ini {

// Windows reads profile values into a buffer of 10 240 bytes, so a value keeps at most 10 239.
constexpr qsizetype kReadLimit = 10239;

using Entry = QPair<QString, QString>;

// Pure functions on a file's bytes.
// The value of key in section: section and key names compare without regard to case, the first
// matching section and key count, blanks around the value and one pair of enclosing quotes are
// removed, and the result is cut at kReadLimit bytes. Empty when missing.
QByteArray lookup(const QByteArray& content, const QByteArray& section, const QByteArray& key);
// The value of key in section exactly as it stands after the equals sign, line end excluded: no
// blanks or quotes removed, no limit. Nothing when the section or the key is missing.
std::optional<QByteArray> rawValue(const QByteArray& content, const QByteArray& section, const QByteArray& key);
// The content with each entry set in section: a key that exists is rewritten in place, a missing
// key is appended at the end of its section, a missing section is appended at the end of the file.
// Every other byte of the content is kept.
QByteArray update(const QByteArray& content, const QByteArray& section,
                  const QList<QPair<QByteArray, QByteArray>>& entries);

// File operations. Reading opens the file anew for each call; a missing or unreadable file reads
// as empty text. Writing goes through the durable write path: the file is replaced only by the
// complete new content, else it stays as it was and the result names the cause. An entry whose key
// already reads back as its value keeps its line byte for byte.
QString readString(const QString& path, const QString& section, const QString& key);
durable::Result writeString(const QString& path, const QString& section, const QString& key, const QString& value);
durable::Result writeStrings(const QString& path, const QString& section, const QList<Entry>& entries);
// The content the file at path gets from that write, for a caller that saves it with other files.
durable::Result updatedProfile(const QString& path, const QString& section, const QList<Entry>& entries,
                               QByteArray* content);

} // namespace ini
