// Runs the independent .doc readers and converters the tests check our files with.
#pragma once

#include "Document.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace word::tools {

struct Output {
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs a program with a time limit; no value when it could not start or did not finish.
std::optional<Output> run(const QString& program, const QStringList& arguments, int timeoutMs = 120000);

// Converts every file with LibreOffice in one call, into outDir, using a private profile under
// profileDir. format is e.g. "pdf", "docx", "txt:Text (encoded):UTF8", "doc:MS Word 97".
bool convertWithLibreOffice(const QStringList& files, const QString& format, const QString& outDir,
                            const QString& profileDir);

// One line per section, paragraph and run as Apache POI's HWPF reads them (see HwpfDump.java).
std::optional<QStringList> hwpfDump(const QString& docPath);

// Writes the sample transcript (pairs filled) through the native writer into dir/name and returns
// the document as typed.
Document writeSampleTranscript(const QString& path, int pairs = 24);

// Number of pages of a PDF file as pdfinfo reports it; 0 on failure.
int pdfPageCount(const QString& pdfPath);

} // namespace word::tools

namespace word::tools {

// A reader-independent listing of a document's formatting: "P <alignment>" per paragraph, with
// " line=<twips>" for an exact line height, " tab=<twips>" for a right-aligned tab stop and " break"
// for a page break before it, then
// "R <bold> <half-points> <underline> <text>" per stretch of equally formatted characters, with
// the paragraph mark as "\r" when marks are included.
QStringList formatListing(const Document& document, bool withMarks);

// The same listing from reader output in that shape, adjacent equal runs merged.
QStringList mergeListing(const QStringList& lines);

} // namespace word::tools
