// The template file of a transcript: its name in the BL directory, and writing and reading its keys.
#pragma once

#include "transcript/Outcome.h"
#include "transcript/TranscriptRecord.h"

#include "platform/DurableFile.h"

#include <QString>

#include <memory>

namespace transcript {

inline constexpr char kTemplateSection[] = "set";

// year "." month "." day "-" work unit "-" name, each part exactly as entered.
QString baseName(const record::TranscriptRecord& r);
// programDir/BL/<baseName>.ini and programDir/BL/<baseName>.doc
QString templatePath(const QString& programDir, const record::TranscriptRecord& r);
QString documentPath(const QString& programDir, const record::TranscriptRecord& r);

// The name parts must make a file name in the BL directory: an empty date part would give a hidden
// file, and "/", "\", a NUL or ".." would put the files outside the directory or make a name the
// file system refuses. The refusal names the fields, else success.
Outcome checkNameParts(const record::TranscriptRecord& r);

// A field's text as the files and the document hold it: on one line (every carriage return, then
// every line feed, becomes one space, as for the remarks), and without lone surrogates or
// noncharacters, which no file may carry.
QString cleanFieldText(const QString& text);
void cleanFields(record::TranscriptRecord& r);

// A template save in two steps, so that it lands together with its document: prepare() writes all
// 73 keys in their order (existing keys updated in place, missing ones appended, everything else
// kept) beside the earlier file and syncs them, commit() puts the new file in place. Dropped before
// commit(), it leaves the earlier file byte for byte as it was. The fields must already be clean.
class TemplateSave {
public:
    Outcome prepare(const QString& path, const record::TranscriptRecord& r);
    Outcome commit();

private:
    Outcome failure(const durable::Result& r) const;

    std::unique_ptr<durable::FileWriter> m_file;
};

// Both steps at once.
Outcome saveTemplate(const QString& path, const record::TranscriptRecord& r);

// Every key of the file, cleaned; a missing key or an unreadable file gives empty values.
record::TranscriptRecord readTemplate(const QString& path);
// The same for a template file's content.
record::TranscriptRecord parseTemplate(const QByteArray& content);

} // namespace transcript
