// Printing the document: on a printer, into a PDF file, or in a print preview window.
#pragma once

#include "Document.h"
#include "DocumentWriter.h"

#include <memory>

class QPrintPreviewDialog;
class QWidget;

namespace word {

// One A4 copy of the whole document on the target: the named printer, else the PDF file, else the
// default printer. A missing printer, a job that could not be sent or a PDF file that could not be
// written (the earlier file then stays as it was) is reported in error.
bool printDocument(const Document& document, const PrintTarget& target, QString* error = nullptr);

// What keeps the target from taking a print job: a named printer that does not exist, no print
// system or default printer, a printer that has stopped; empty text when it can take one. A PDF
// file target can always take one.
QString printerProblem(const PrintTarget& target);

// Sends a PDF file to the target's printer as one job with the title; false with the reason in
// error when the printer could not take it.
bool printPdfFile(const QString& pdfPath, const QString& title, const PrintTarget& target, QString* error = nullptr);

// A print preview of the document that can also print it.
std::unique_ptr<QPrintPreviewDialog> makePrintPreview(const Document& document, QWidget* parent = nullptr);

class PageRenderer;
// The page renderer of this platform: printing, PDF files and print previews through Qt.
const PageRenderer& pageRenderer();

} // namespace word
