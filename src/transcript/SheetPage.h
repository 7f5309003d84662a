// The evidence sheet's one page: its facts in the transcript's page face, the QR code of its text,
// and the lines the interviewee and the officers sign on.
#pragma once

#include "transcript/EvidenceSheet.h"

#include <QByteArray>

#include <optional>

namespace sheet {

// The sheet as a PDF file's bytes; nothing, with why in error, when its text fits no QR code or the
// page could not be painted.
std::optional<QByteArray> sheetPdf(const Sheet& sheet, QString* error);

// Writes the sheet into the PDF file when one is given, else prints it on the named printer, or the
// default one, as one job; false with why in error.
bool printSheet(const Sheet& sheet, const QString& printer, const QString& pdf, QString* error);

} // namespace sheet
