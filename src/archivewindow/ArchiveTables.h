// The words of the archive window's tables: file kinds and fingerprint states, the rows of the
// custody-log table and the chosen inquiry, alike for this desktop's inquiries and the office's.
#pragma once

#include "archive/Index.h"
#include "archive/TimeMarkList.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

class ArchiveWindow;
class QTableWidget;

namespace archive {

// The inquiry chosen in the list, or none.
QString chosenInquiry(const ArchiveWindow& aw);
QString kindText(FileKind kind);
QString stateText(FileState state);
// Fills one row of the table from its cells, left to right.
void setRow(QTableWidget* table, int row, const QStringList& cells);
// One row for each custody-log line: time, event, user@host, files with their checks and the details.
void showCustodyLines(QTableWidget* table, const QList<QByteArray>& lines);
// One row for each time mark: the line, the recording's or capture's name, the offset.
void showMarks(QTableWidget* table, const QList<RecordingMark>& marks);

} // namespace archive
