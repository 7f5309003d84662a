// The writer's session for one PDF: start, open, print into the file, close and quit.
#include "transcript/DocumentPdf.h"

#include "transcript/WordEngine.h"

namespace transcript {

bool writeDocumentPdf(WordEngine& engine, const QString& document, const QString& pdf, QString* error) {
    const std::unique_ptr<word::DocumentWriter> writer = engine.createWriter();
    const bool written =
        writer->start() && writer->connect() && writer->open(document) && writer->print({QString(), pdf});
    if (!written && error)
        *error = writer->lastError();
    writer->close();
    writer->quit();
    return written;
}

} // namespace transcript
