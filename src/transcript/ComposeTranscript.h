// The composition of the transcript document: title, particulars, body pages with their footers,
// typed into a document writer, and the template written beside it.
#pragma once

#include "transcript/Outcome.h"
#include "transcript/TranscriptRecord.h"
#include "transcript/word/Document.h"

#include <QByteArray>
#include <QString>

#include <QList>

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
// makes the template's new content in templateSave, for the caller to save with the document. The
// record's fields are cleaned first (cleanFields). A refused name, a working copy that could not be
// written, a document that could not be opened or an earlier template that could not be read gives
// a failure.
// Where a field's text begins in the composed document: its paragraph and the character in it.
struct FieldStart {
    record::Key field;
    qsizetype paragraph = 0;
    qsizetype offset = 0;
};
// The document the composition types for the record, without a writer or a file, and where each
// field it shows begins in it (an empty pair and the remarks are not shown).
struct ComposedText {
    word::Document document;
    QList<FieldStart> fields;
};
ComposedText composedText(record::TranscriptRecord r, const std::function<QString(const QString& key)>& footerLine);

Outcome ComposeTranscript(word::DocumentWriter& writer, record::TranscriptRecord& r, const CompositionInput& in,
                          TemplateSave& templateSave);

} // namespace transcript
