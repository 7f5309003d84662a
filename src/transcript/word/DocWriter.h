// Writes the document model as a Word 97-2003 binary document (.doc) in an OLE2 compound file.
#pragma once

#include "DocStreams.h"
#include "Document.h"

#include <QByteArray>
#include <QString>

namespace word {

// The complete file; empty with an error text when the container could not be built.
QByteArray writeDoc(const Document& document, QString* error = nullptr);

// Wraps the streams in a compound file with the Word class id and summary information holding
// the title; empty when the container could not be built.
QByteArray packDocStreams(const DocStreams& streams, const QString& title = {});

// Writes the file at path through the durable write path: an existing file is replaced only by the
// complete new one, else it stays as it was and the error names the cause ("磁盘空间已满", ...).
bool saveDoc(const Document& document, const QString& path, QString* error = nullptr);

// The blank working copy every transcript is typed into (Doc.doc): this writer's output for the
// blank document.
QByteArray blankDocumentBytes();

} // namespace word
