// The composition of the transcript document: title, particulars, body pages with their footers,
// typed into a document writer, and the template written beside it.
#pragma once

#include "transcript/Outcome.h"
#include "transcript/TranscriptRecord.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace word {
class DocumentWriter;
}

namespace transcript {

class TemplateSave;

struct CompositionInput {
    QString programDir;
    // The blank Word document every transcript starts from.
    QByteArray blankDocument;
    // Reads a key of section fenye of set.ini afresh ("hang1", "hang2").
    std::function<QString(const QString& key)> footerLine;
};

// The separator between start and end time in the first particulars row, by the GBK byte lengths of
// the month and day.
QString timeSeparator(const QString& month, const QString& day);

// Composes the record into the writer, leaving the document open for saving or printing, and
// prepares the template in templateSave, for the caller to commit once the document has landed. The
// record's fields are cleaned first (cleanFields). A refused name, or a working copy, document or
// template that could not be written, gives a failure with nothing prepared.
Outcome ComposeTranscript(word::DocumentWriter& writer, record::TranscriptRecord& r, const CompositionInput& in,
                          TemplateSave& templateSave);

} // namespace transcript
