// Printing the document: on a printer, into a PDF file, or in a print preview window.
#pragma once

#include "Document.h"
#include "DocumentWriter.h"

#include <memory>

class QPrinter;
class QPrintPreviewDialog;
class QWidget;

namespace word {

// One A4 copy of the whole document on the target: the named printer, else the PDF file, else the
// default printer. A missing printer or a job that could not be sent is reported in error.
bool printDocument(const Document& document, const PrintTarget& target, QString* error = nullptr);

// Paints every page on a printer that is set up already; false when painting could not start.
bool renderDocument(const Document& document, QPrinter& printer);

// A print preview of the document that can also print it.
std::unique_ptr<QPrintPreviewDialog> makePrintPreview(const Document& document, QWidget* parent = nullptr);

} // namespace word
