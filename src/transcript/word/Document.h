// The in-memory document the writer types into: one section with its page setup and footer, and
// paragraphs of formatted runs.
#pragma once

#include "DocumentWriter.h"

#include <QList>
#include <QString>

namespace word {

// Character formatting; sizes are in half-points as the file format counts them.
struct CharFormat {
    bool bold = false;
    int halfPoints = 21;
    bool underline = false;
    bool operator==(const CharFormat&) const = default;
};

struct Run {
    QString text;
    CharFormat format;
    bool operator==(const Run&) const = default;
};

struct Paragraph {
    QList<Run> runs;
    Alignment alignment = Alignment::Left;
    // The paragraph mark's own formatting: an empty line takes its height from it.
    CharFormat mark;
    // The exact height of each of its lines in twips; 0 for the height of its largest size on the
    // grid.
    int lineSpacing = 0;
    // A right-aligned tab stop, in twips from the left margin; 0 for none.
    int rightTab = 0;
    // The paragraph begins a new page.
    bool pageBreakBefore = false;
    QString text() const;
    bool operator==(const Paragraph&) const = default;
};

// Page geometry in twips (1/20 pt).
struct PageSetup {
    int pageWidth = 11906;
    int pageHeight = 16838;
    int marginTop = 1474;
    int marginBottom = 1134;
    int marginLeft = 1361;
    int marginRight = 1134;
    int headerDistance = 851;
    int footerDistance = 992;
    // Pitch of the lines-only document grid; 0 means no grid.
    int linePitch = 312;
    bool operator==(const PageSetup&) const = default;
};

struct Document {
    PageSetup page;
    // Page footer shown on every page; empty for none. Paragraphs are separated by '\r'.
    QString footer;
    CharFormat footerFormat;
    // Never empty: a document holds at least one (empty) paragraph.
    QList<Paragraph> paragraphs{Paragraph{}};
    // Every paragraph's text joined with "\n".
    QString plainText() const;
};

// The footer the transcript pages carry; the page count and number are written in by hand.
QString transcriptFooter();

// The empty document every transcript starts from: A4 with the transcript margins and grid, the
// transcript footer, one empty paragraph in the default 10.5 pt.
Document blankDocument();

// Where typed text goes: before run `run` of paragraph `paragraph`.
struct Caret {
    qsizetype paragraph = 0;
    qsizetype run = 0;
};

// Inserts text at the caret with the given format, as typing does: CR LF (or a lone CR or LF) ends
// a paragraph, both halves keeping the paragraph format (alignment, spacing, tab stop, page break)
// of the one it was split from; control characters other than tab are dropped.
void typeText(Document& document, Caret& caret, const QString& text, const CharFormat& format);

} // namespace word
