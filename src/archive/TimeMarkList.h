// The time marks of an inquiry: for each recording and capture linked to it, the moments its
// question and answer lines were begun, as the custody log's entries of those recordings hold them.
// The list the archive window, the hand-over bundle and `quillon marks` show.
#pragma once

#include "platform/TimeMarks.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

namespace archive {

class Archive;

using timemarks::RecordingMark;

// The marks that the entries of recordings saved and captures finished among lines hold for the
// files in linked (stored names), in the order they were written.
QList<RecordingMark> marksIn(const QList<QByteArray>& lines, const QSet<QString>& linked);
// The marks of an inquiry, from its custody lines, for the evidence linked to it now.
QList<RecordingMark> marksOf(Archive& archive, const QString& inquiry);
// One mark a line: "问3<TAB>2013年2月3日9时5分.avi<TAB>00:12:41", the file by its own name.
QString marksText(const QList<RecordingMark>& marks);

// "marks TEMPLATE.ini": the inquiry's marks on standard output; 0, 1 when the template is not
// there or the index could not be read, 2 on a usage error.
int marksCommand(const QStringList& arguments);

} // namespace archive
