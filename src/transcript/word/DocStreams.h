// Builds the streams of a Word 97-2003 binary document (WordDocument, 1Table, CompObj) from the
// document model.
#pragma once

#include "Document.h"

#include <QByteArray>

namespace word {

struct DocStreams {
    QByteArray wordDocument;
    QByteArray table;
    QByteArray compObj;
};

DocStreams buildDocStreams(const Document& document);

// The class id of a Word document, stored on the compound file's root.
extern const unsigned char kWordDocumentClassId[16];

} // namespace word
