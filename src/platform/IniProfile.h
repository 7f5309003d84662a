// INI profile files with the semantics of Windows' profile functions, over GBK bytes with CR LF lines.
#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace ini {

// Windows reads profile values into a buffer of 10 240 bytes, so a value keeps at most 10 239.
constexpr qsizetype kReadLimit = 10239;

using Entry = QPair<QString, QString>;

// Pure functions on a file's bytes.
// The value of key in section: section and key names compare without regard to case, the first
// matching section and key count, blanks around the value and one pair of enclosing quotes are
// removed, and the result is cut at kReadLimit bytes. Empty when missing.
QByteArray lookup(const QByteArray& content, const QByteArray& section, const QByteArray& key);
// The content with each entry set in section: a key that exists is rewritten in place, a missing
// key is appended at the end of its section, a missing section is appended at the end of the file.
// Every other byte of the content is kept.
QByteArray update(const QByteArray& content, const QByteArray& section, const QList<QPair<QByteArray, QByteArray>>& entries);

// File operations. Reading opens the file anew for each call; a missing or unreadable file reads
// as empty text. Writing replaces the file only once the new content is complete.
QString readString(const QString& path, const QString& section, const QString& key);
bool writeString(const QString& path, const QString& section, const QString& key, const QString& value);
bool writeStrings(const QString& path, const QString& section, const QList<Entry>& entries);

} // namespace ini
