// The moments at which question and answer lines were begun, as offsets into a recording, and the
// text in which a recording's custody entry carries them: "marks" in its details, one
// "问3<TAB>00:12:41" a line, in the order they were noted.
#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace timemarks {

struct Mark {
    QString line;     // "问3", "答3"
    qint64 seconds{}; // into the recording
};

// A mark in one recording or capture, as an inquiry's list of marks holds it.
struct RecordingMark {
    QString line; // "问3"
    QString file; // the recording's or capture's name as the index stores it
    qint64 seconds = 0;
    bool operator==(const RecordingMark&) const = default;
};

inline const QString kDetail = QStringLiteral("marks");

// "00:12:41"; hours past 99 are written in full.
QString offsetText(qint64 seconds);
// The seconds of such a text; -1 for any other text.
qint64 parseOffset(const QString& text);

QString detailText(const QList<Mark>& marks);
// Lines that are no mark are passed over.
QList<Mark> parseDetail(const QString& text);
// The details of a recording's journal event: none without marks.
QList<QPair<QString, QString>> journalDetails(const QList<Mark>& marks);

// A mark as every list of marks shows it: its line, the file's own name and the offset, so the
// bundle's list, the command's and the evidence sheet's read alike.
QStringList listedFields(const RecordingMark& mark);

} // namespace timemarks
