// The template file of a transcript: its name in the BL directory, and writing and reading its keys.
#pragma once

#include "transcript/Outcome.h"
#include "transcript/TranscriptRecord.h"

#include <QString>

namespace transcript {

inline constexpr char kTemplateSection[] = "set";

// year "." month "." day "-" work unit "-" name, each part exactly as entered.
QString baseName(const record::TranscriptRecord& r);
// programDir/BL/<baseName>.ini and programDir/BL/<baseName>.doc
QString templatePath(const QString& programDir, const record::TranscriptRecord& r);
QString documentPath(const QString& programDir, const record::TranscriptRecord& r);

// A name part holding "/", "\", a NUL or ".." would put the files outside the BL directory or
// make a name the file system refuses: the refusal names the field, else success.
Outcome checkNameParts(const record::TranscriptRecord& r);

// The remarks on one line: every carriage return, then every line feed, becomes one space.
QString flattenRemarks(const QString& remarks);

// Writes all 73 keys in their order in one replacement of the file (existing keys updated in place,
// missing ones appended, everything else kept). The remarks must already be flat.
Outcome saveTemplate(const QString& path, const record::TranscriptRecord& r);

// Every key of the file; a missing key or an unreadable file gives empty values.
record::TranscriptRecord readTemplate(const QString& path);

} // namespace transcript
