// Parses the streams of a Word 97-2003 binary document into the document model.
#pragma once

#include "Document.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace word {

// bytes is a whole compound file; on failure reason says why, in words for the user.
std::optional<Document> parseDoc(const QByteArray& bytes, QString* reason);

} // namespace word
