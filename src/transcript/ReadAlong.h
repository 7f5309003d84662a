// What the interviewee's screen "被询问人核对" shows: the page of the transcript as it will be
// printed on which the officer is typing, line by line, and the line being typed.
#pragma once

#include "transcript/ComposeTranscript.h"

#include <QStringList>

#include <optional>

namespace transcript {

struct ReadAlongPage {
    int page = 0; // from 1
    int pages = 0;
    QStringList lines;   // the page body's printed lines, top to bottom
    int currentLine = 0; // from 1; 0 when no field of the page is being typed
    bool operator==(const ReadAlongPage&) const = default;
};

// The page that holds the field being typed, at the character the cursor is on; the first page and
// no current line when no field shown in the document is being typed.
ReadAlongPage readAlongPage(const ComposedText& composed, std::optional<record::Key> field, qsizetype cursor);

// "第 2 页 / 共 3 页".
QString pageHeading(const ReadAlongPage& page);

} // namespace transcript
