// The words of the archive window's tables: file kinds and fingerprint states, and the rows of the
// custody-log table, alike for this desktop's inquiries and the office's.
#pragma once

#include "archive/Index.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

class QTableWidget;

namespace archive {

QString kindText(FileKind kind);
QString stateText(FileState state);
// Fills one row of the table from its cells, left to right.
void setRow(QTableWidget* table, int row, const QStringList& cells);
// One row for each custody-log line: time, event, user@host, files with their checks and the details.
void showCustodyLines(QTableWidget* table, const QList<QByteArray>& lines);

} // namespace archive
