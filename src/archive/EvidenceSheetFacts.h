// What the archive knows of an inquiry gathered for its evidence sheet, the sheet's command, and the
// check of the files a sheet's QR text names.
#pragma once

#include "archive/Archive.h"

#include "transcript/EvidenceSheet.h"

#include <functional>

namespace archive {

// The sheet of the inquiry of templatePath: its particulars, its document and template, every
// recording and capture linked to it with their time marks, and the custody log's head now with the
// time of the head's trusted time-stamp when one is kept. Linked evidence that no longer exists is left out and named
// in missing. Nothing, with why in error, when the template or a file cannot be read.
std::optional<sheet::Sheet> sheetOf(Archive& archive, const QString& templatePath, QStringList* missing,
                                    QString* error);

// The SHA-256 of the custody log's last complete line; empty when the log holds none.
QString custodyHead(const QString& programDir);

// Paints the sheet into the PDF file when one is given, else prints it on the named printer or the
// default one; false with why in error.
using SheetPrinter =
    std::function<bool(const sheet::Sheet& sheet, const QString& printer, const QString& pdf, QString* error)>;

// "sheet TEMPLATE.ini [--pdf FILE] [--printer NAME]": 0 when the sheet was written or printed, 1 when
// it failed, 2 on a usage error. Needs the GUI application object.
int sheetCommand(const QStringList& arguments, const SheetPrinter& print);

// `quillon verify SHEET.txt [--in FOLDER]` (or "-" for standard input): every file the sheet's text
// names looked for in folder, else beside the text file and then in the program directory's BL/, and
// checked against the size and SHA-256 the sheet gives. One line a file on standard output; 0 when
// every file matches, 1 otherwise.
int verifySheetCommand(const QString& textPath, const QString& folder);

// Whether the file's bytes begin with the first line of a sheet's text.
bool isSheetText(const QByteArray& start);

} // namespace archive
