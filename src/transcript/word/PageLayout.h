// Lays the document out on pages as a word processor does with the document's Song face on a
// lines-only grid. All lengths are in twips.
#pragma once

#include "Document.h"

#include <QList>

namespace word {

struct Fragment {
    QString text;
    CharFormat format;
    qreal x = 0;
    qreal width = 0;
    bool operator==(const Fragment&) const = default;
};

struct Line {
    qreal top = 0; // from the top margin
    qreal height = 0;
    qreal baseline = 0; // from the line's top
    QList<Fragment> fragments;
    bool operator==(const Line&) const = default;
};

struct Page {
    QList<Line> lines;
    bool operator==(const Page&) const = default;
};

// Where a line of a paragraph begins in the paragraph's text, and how high it is.
struct LineExtent {
    qsizetype start = 0;
    qreal height = 0;
};

// The width of the page's body, between the margins.
qreal bodyWidth(const PageSetup& page);

// The height of a line of this size on the page's grid.
qreal gridLineHeight(const CharFormat& format, const PageSetup& page);

// The lines a paragraph takes on the body width of the page.
QList<LineExtent> measureParagraph(const Paragraph& paragraph, const PageSetup& page);

// The height of every page's body: from the top margin down to the bottom margin, or to the top of
// the footer where the footer reaches higher.
qreal bodyHeight(const Document& document);

// The pages of the document. Characters are as wide as in SimSun: a character that GBK writes in
// one byte half an em, one it writes in two bytes a whole em (characters beyond GBK: a whole em
// when East Asian wide). Lines break by the East Asian rules word processors apply by default; a
// line is 1.44 times as high as its largest size, snapped up to whole grid pitches, unless its
// paragraph gives an exact height; trailing spaces never wrap. A line goes to the next page when it
// does not fit on the body of the current one, and so does a paragraph that begins a page.
QList<Page> layOutPages(const Document& document);

// Where a character of the document is printed: its page and its line on the page, counting every
// line of the page's body from the top, both from 1; 0 for a paragraph the document does not hold.
struct PrintedPlace {
    int page = 0;
    int line = 0;
    bool operator==(const PrintedPlace&) const = default;
};
PrintedPlace placeOf(const Document& document, qsizetype paragraph, qsizetype offset);

// The footer's lines, their tops counted from the footer's own top, and its height.
QList<Line> layOutFooter(const Document& document, qreal* height);

// The size of an em in the format.
qreal emOf(const CharFormat& format);
// Whether the character takes half an em: SimSun draws GBK's single-byte characters half an em wide
// and its double-byte ones a whole em.
bool halfWidth(char32_t c);
// The character's width in the format.
qreal advance(char32_t c, const CharFormat& format);
// Appends a character, as a surrogate pair beyond the Basic Multilingual Plane.
void appendCharacter(QString& text, char32_t c);

} // namespace word
