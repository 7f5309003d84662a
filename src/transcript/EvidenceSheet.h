// The evidence sheet (证据校验单) of an inquiry: the facts printed on it, and the text its QR code
// carries, one fact a line, so that the files handed over can be checked against the signed paper.
#pragma once

#include "platform/TimeMarks.h"

#include <QList>
#include <QString>

#include <optional>

namespace sheet {

// A file the sheet vouches for. Its name is the file's own name, without a folder.
struct SheetFile {
    QString kind; // one of the kind words below
    QString name;
    QString sha256; // 64 lower-case hex digits
    qint64 size = 0;
    QString starts = {}; // yyyy-MM-ddTHH:mm:ss for a recording or capture; empty when unknown
    qint64 seconds = -1; // how long it runs; -1 when unknown
    bool operator==(const SheetFile&) const = default;
};

inline const QString kDocument = QStringLiteral("document");
inline const QString kTemplate = QStringLiteral("template");
inline const QString kRecording = QStringLiteral("recording");
inline const QString kCapture = QStringLiteral("capture");

struct Sheet {
    QString inquiry; // the template's base name
    QString date;    // yyyy-MM-dd as the form gives it
    QString unit;
    QString interviewee;
    QString officers;
    QList<SheetFile> files;
    QString head;     // SHA-256 of the custody log's last line when the sheet was made
    QString headTime; // the time its trusted time-stamp vouches for; empty without one
    // The time marks of the recordings and captures listed. They are printed only: the custody
    // log's entries hold them, and the head above vouches for those entries.
    QList<timemarks::RecordingMark> marks = {};
    bool operator==(const Sheet&) const = default;
};

// The first line of the QR code's text, by which `quillon verify` knows it.
inline const QString kFirstLine = QStringLiteral("quillon-sheet 1");

// The QR code's text, UTF-8 once encoded: kFirstLine, then "key<TAB>value" lines (inquiry, date,
// unit, interviewee, officers, head, head-time) and one line per file:
// "file<TAB>kind<TAB>name<TAB>sha256<TAB>size[<TAB>start<TAB>seconds]". Tabs and line breaks inside
// a value become spaces, so every line splits one way. brief: the file lines without start and
// length, for a sheet with more evidence than a QR code holds.
QString sheetText(const Sheet& sheet, bool brief = false);

// The sheet back from its text; nothing when the first line is not kFirstLine or a file line is
// malformed or names a file in another folder. Keys it does not know are passed by, so a later program may add some.
std::optional<Sheet> readSheetText(const QString& text);

} // namespace sheet
