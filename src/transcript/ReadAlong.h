// What the interviewee's screen "被询问人核对" shows: the page of the transcript as it will be
// printed on which the officer is typing, line by line, and the line being typed.
#pragma once

#include "transcript/ComposeTranscript.h"
#include "transcript/ReadAlongChanges.h"

#include <QStringList>

#include <optional>

namespace transcript {

struct ReadAlongPage {
    int page = 0; // from 1
    int pages = 0;
    QStringList lines;       // the page body's printed lines, top to bottom
    int currentLine = 0;     // from 1; 0 when no field of the page is being typed
    QList<int> changedLines; // from 1: the lines that differ from what was read back
    bool operator==(const ReadAlongPage&) const = default;
};

// The transcript as it was read back, printed, and the signature lines every page repeats.
struct ReadBackLines {
    PrintedLines pages;
    QStringList furniture;
};

PrintedLines printedLines(const ComposedText& composed);

// The page that holds the field being typed, at the character the cursor is on; the first page and
// no current line when no field shown in the document is being typed. After a read-back, its lines
// that differ from it are marked; before, none.
ReadAlongPage readAlongPage(const ComposedText& composed, std::optional<record::Key> field, qsizetype cursor,
                            const std::optional<ReadBackLines>& readBack = std::nullopt);

// "第 2 页 / 共 3 页".
QString pageHeading(const ReadAlongPage& page);

} // namespace transcript
