// The template file of a transcript: its name in the BL directory, and writing and reading its keys.
#pragma once

#include "transcript/Outcome.h"
#include "transcript/TranscriptRecord.h"

#include "platform/DurableFile.h"

#include <QByteArray>
#include <QString>

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

// A template's new content, made before anything is written, so that it lands together with its
// document: all 73 keys in their order, existing keys updated in place, missing ones appended,
// everything else in the earlier file kept. The fields must already be clean.
class TemplateSave {
public:
    Outcome prepare(const QString& path, const record::TranscriptRecord& r);
    const QString& path() const { return m_path; }
    const QByteArray& bytes() const { return m_bytes; }

private:
    QString m_path;
    QByteArray m_bytes;
};

// The message for a template that could not be read or written.
Outcome templateFailure(const QString& path, const durable::Result& r);

// Prepares and writes a template on its own, through the durable write path.
Outcome saveTemplate(const QString& path, const record::TranscriptRecord& r);

// Every key of the file, cleaned; a missing key or an unreadable file gives empty values.
record::TranscriptRecord readTemplate(const QString& path);
// The same for a template file's content.
record::TranscriptRecord parseTemplate(const QByteArray& content);

} // namespace transcript
