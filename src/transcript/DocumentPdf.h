// A PDF of a saved document's pages, painted by the document writer as a print would be.
#pragma once

#include <QString>

namespace transcript {

class WordEngine;

// Opens the document and prints it into the PDF file; false with the writer's reason in error.
bool writeDocumentPdf(WordEngine& engine, const QString& document, const QString& pdf, QString* error);

} // namespace transcript
