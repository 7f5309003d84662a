// Where the archive keeps its files, and how it names the files it keeps track of.
#pragma once

#include <QString>

namespace archive {

// archive.sqlite, custody.log and the lock file beside them, in the program directory.
QString indexPath(const QString& programDir);
QString custodyPath(const QString& programDir);
QString lockPath(const QString& programDir);

// A file's name in the index and in the custody log: relative to the program directory for a file
// inside it ("BL/2013.2.3-宏达公司-张三.doc"), so that a moved program directory keeps its record, else
// the absolute path.
QString storedName(const QString& programDir, const QString& path);
QString fullPath(const QString& programDir, const QString& name);
// The template of a template, document or PDF in BL/, whose base name is its inquiry's; empty for any
// other file.
QString templateOf(const QString& programDir, const QString& file);

// Where a file of a version of an inquiry of the office archive is fetched to: office/<inquiry>/
// <version>/ in the program directory, under the file's own name. Empty when the inquiry's or the
// file's name, as the server gives them, would lead out of that folder.
QString fetchedPath(const QString& programDir, const QString& inquiry, qint64 version, const QString& name);

// Size and modification time (nanoseconds) of a file: what tells the index that a file changed.
struct Stamp {
    qint64 size = -1; // -1: there is no such file
    qint64 modified = 0;

    bool exists() const { return size >= 0; }
    bool operator==(const Stamp&) const = default;
};
Stamp stampOf(const QString& path);

} // namespace archive
