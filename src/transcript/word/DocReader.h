// Reads Word 97-2003 documents (ours and simple ones saved by word processors) and plain text
// files (GB18030, GBK's superset, or UTF-8/UTF-16 with a byte order mark) into the document model.
#pragma once

#include "Document.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace word {

// Files larger than this are refused before they are read.
constexpr qint64 kMaxDocumentBytes = 64 * 1024 * 1024;

// Reads the file at path, a .doc or a text file told apart by content; on failure the error says,
// in words for the user, why the file cannot be read.
std::optional<Document> readDocumentFile(const QString& path, QString* error);

// The same on bytes already in memory; the error then holds only the reason.
std::optional<Document> readDocumentBytes(const QByteArray& bytes, QString* error);

// Whether the bytes begin a document that office suites print: a compound file (Word and other
// office formats), RTF, or UTF-8 text.
bool officeSuitePrints(const QByteArray& bytes);

// The page setup a word processor gives a plain text file: A4 with its standard margins.
PageSetup textPageSetup();

} // namespace word
