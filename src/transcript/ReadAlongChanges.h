// Which printed lines of the transcript differ from the transcript as it was read back (宣读核对),
// for the interviewee's screen to mark what was changed after the read-back.
#pragma once

#include <QList>
#include <QStringList>

namespace transcript {

// The printed lines of a transcript, page by page, top to bottom.
using PrintedLines = QList<QStringList>;

// Of every page now printed, the lines (from 1) that differ from what was read back: each line added
// or altered, and where lines were deleted and nothing took their place, the line now standing there.
// The pages' furniture (blank and filler lines, and the signature lines given, which every page
// repeats) is left out of the comparison, so that a line only pushed on to another page by a change
// above it is not taken for a change itself.
QList<QList<int>> changedLines(const PrintedLines& readBack, const PrintedLines& now, const QStringList& furniture);

} // namespace transcript
