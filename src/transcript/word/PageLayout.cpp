// Character advances, line breaking, grid snapping and page breaking.
#include "PageLayout.h"

#include <QStringEncoder>

#include <array>
#include <cmath>
#include <mutex>

namespace word {

namespace {

// The Song face's line height in ems and its em box about the baseline. With these a 22 pt title
// line takes three 15.6 pt grid pitches, a 14 pt line two and a 10.5 pt line one: the capacity the
// transcript's pages are made for.
constexpr qreal kLineHeight = 1.44;
constexpr qreal kAscent = 0.88;
constexpr qreal kDescent = 0.12;
constexpr qreal kDefaultTabStop = 420; // the document's default tab interval

// Whether GBK writes a character of the Basic Multilingual Plane in two bytes: GB18030, its superset,
// writes those in two and every other non-ASCII character in four. GBK holds every ideograph of the
// first Unicode block (U+4E00 to U+9FA5); other characters are asked of the encoder 256 at a time,
// the first time a character of their block is measured.
bool doubleByte(char32_t c) {
    if (c >= 0x4E00 && c <= 0x9FA5)
        return true;
    static std::array<std::once_flag, 0x100> asked;
    static std::array<std::array<bool, 0x100>, 0x100> blocks{};
    const char32_t block = c >> 8;
    std::call_once(asked[block], [block] {
        QString all;
        for (char32_t d = std::max<char32_t>(block << 8, 0x80); d < (block + 1) << 8; ++d)
            if (!QChar::isSurrogate(d))
                all.append(QChar(char16_t(d)));
        QStringEncoder encoder("GB18030");
        const QByteArray bytes = encoder.encode(all);
        qsizetype at = 0;
        for (const QChar d : std::as_const(all)) {
            if (at + 1 >= bytes.size() || quint8(bytes[at]) < 0x81)
                break;
            const bool fourBytes = quint8(bytes[at + 1]) >= 0x30 && quint8(bytes[at + 1]) <= 0x39;
            blocks[block][d.unicode() & 0xFF] = !fourBytes;
            at += fourBytes ? 4 : 2;
        }
    });
    return blocks[block][c & 0xFF];
}

bool eastAsianWide(char32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) || (c >= 0x3041 && c <= 0x33FF) ||
           (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
           (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F) ||
           (c >= 0x1F900 && c <= 0x1F9FF) || (c >= 0x20000 && c <= 0x3FFFD);
}

// The characters word processors keep from the start and from the end of a line in Chinese text.
const QString kNoLineStart = QStringLiteral(
    "!%),.:;>?]}¢¨°·ˇˉ—―‖’”…‰′″›℃∶、。〃〉》」』】〕〗〙〛〞︶︺︾﹀﹄﹚﹜﹞！＂％＇），．：；？］｀｜｝～￠");
const QString kNoLineEnd = QStringLiteral("$(£¥·‘“〈《「『【〔〖〘〚〝﹙﹛﹝＄（．［｛￡￥");

bool among(const QString& set, char32_t c) {
    return c < 0x10000 && set.contains(QChar(char16_t(c)));
}

// Whether a line may begin with `after` when `before` ends the line above. Spaces stay at the end
// of the line they follow; Latin words and numbers are not split.
bool breakAllowed(char32_t before, char32_t after) {
    if (after == u' ' || among(kNoLineStart, after))
        return false;
    if (before == u' ' || before == u'\t')
        return true;
    if (among(kNoLineEnd, before))
        return false;
    return !(halfWidth(before) && halfWidth(after));
}

qreal snap(qreal height, int pitch) {
    if (pitch <= 0)
        return height;
    return std::max(1.0, std::ceil(height / pitch - 1e-6)) * pitch;
}

struct Cell {
    char32_t c;
    qsizetype at; // in the paragraph's text
    const CharFormat* format;
    qreal width; // a tab's is set when the line is broken
};

QList<Cell> cellsOf(const Paragraph& paragraph) {
    QList<Cell> cells;
    qsizetype at = 0;
    for (const Run& run : paragraph.runs) {
        const QString& text = run.text;
        for (qsizetype i = 0; i < text.size(); ++i) {
            char32_t c = text[i].unicode();
            const qsizetype start = i;
            if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
                c = QChar::surrogateToUcs4(text[i], text[i + 1]);
                ++i;
            }
            cells << Cell{c, at + start, &run.format, c == u'\t' ? 0.0 : advance(c, run.format)};
        }
        at += text.size();
    }
    return cells;
}

// A tab at x reaches the paragraph's right-aligned stop when that lies ahead, so that the text after
// it up to the next tab ends at the stop; else the next default tab stop.
qreal tabWidth(const QList<Cell>& cells, qsizetype tab, qreal x, int rightTab) {
    if (rightTab > x) {
        qreal following = 0;
        for (qsizetype j = tab + 1; j < cells.size() && cells[j].c != u'\t'; ++j)
            following += cells[j].width;
        return std::max(0.0, rightTab - x - following);
    }
    return kDefaultTabStop - std::fmod(x, kDefaultTabStop);
}

// The width of the stretch no line may break from cell `from` on, spaces left out as they hang.
qreal unbreakableWidth(const QList<Cell>& cells, qsizetype from) {
    qreal width = 0;
    for (qsizetype j = from; j < cells.size() && (j == from || !breakAllowed(cells[j - 1].c, cells[j].c)); ++j)
        if (cells[j].c != u' ')
            width += cells[j].width;
    return width;
}

// The cells each line begins with. A line ends at the last place a line may begin before the
// first cell that does not fit, or just before that cell when there is none or when what follows
// that place is too wide for any line (a long web address stays beside its label); spaces hang.
QList<qsizetype> breakLines(QList<Cell>& cells, qreal width, int rightTab) {
    QList<qsizetype> starts{0};
    qsizetype lineStart = 0;
    qsizetype lastBreak = -1;
    qreal used = 0;
    for (qsizetype i = 0; i < cells.size(); ++i) {
        Cell& cell = cells[i];
        if (i > lineStart && breakAllowed(cells[i - 1].c, cell.c))
            lastBreak = i;
        if (cell.c == u'\t')
            cell.width = tabWidth(cells, i, used, rightTab);
        while (cell.c != u' ' && i > lineStart && used + cell.width > width + 0.01) {
            const bool moves = lastBreak > lineStart && unbreakableWidth(cells, lastBreak) <= width + 0.01;
            // A word split at the margin still keeps closing punctuation from the next line's start.
            const bool keepsPunctuation = !moves && i - 1 > lineStart && among(kNoLineStart, cell.c);
            lineStart = moves ? lastBreak : keepsPunctuation ? i - 1 : i;
            starts << lineStart;
            lastBreak = -1;
            used = 0;
            for (qsizetype j = lineStart; j < i; ++j) {
                if (j > lineStart && breakAllowed(cells[j - 1].c, cells[j].c))
                    lastBreak = j;
                if (cells[j].c == u'\t')
                    cells[j].width = tabWidth(cells, j, used, rightTab);
                used += cells[j].width;
            }
            if (i > lineStart && breakAllowed(cells[i - 1].c, cell.c))
                lastBreak = i;
            if (cell.c == u'\t')
                cell.width = tabWidth(cells, i, used, rightTab);
        }
        used += cell.width;
    }
    return starts;
}

Line makeLine(const Cell* begin, const Cell* end, const Paragraph& paragraph, const CharFormat* mark, qreal width,
              int pitch) {
    Line line;
    qreal natural = 0;
    qreal ascent = 0;
    qreal descent = 0;
    auto measure = [&](const CharFormat& format) {
        natural = std::max(natural, kLineHeight * emOf(format));
        ascent = std::max(ascent, kAscent * emOf(format));
        descent = std::max(descent, kDescent * emOf(format));
    };
    if (mark)
        measure(*mark);
    qreal x = 0;
    for (const Cell* cell = begin; cell != end; ++cell) {
        measure(*cell->format);
        // A fragment ends at a format change and after a tab, so text after a tab starts at its stop.
        if (line.fragments.isEmpty() || line.fragments.last().format != *cell->format ||
            line.fragments.last().text.endsWith(u'\t'))
            line.fragments << Fragment{QString(), *cell->format, x, 0};
        appendCharacter(line.fragments.last().text, cell->c);
        line.fragments.last().width += cell->width;
        x += cell->width;
    }
    qreal visible = x;
    for (const Cell* cell = end; cell != begin && (cell - 1)->c == u' '; --cell)
        visible -= (cell - 1)->width;
    if (paragraph.alignment == Alignment::Centre) {
        const qreal shift = std::max(0.0, (width - visible) / 2);
        for (Fragment& fragment : line.fragments)
            fragment.x += shift;
    }
    line.height = paragraph.lineSpacing > 0 ? paragraph.lineSpacing : snap(natural, pitch);
    line.baseline = (line.height - (ascent + descent)) / 2 + ascent;
    return line;
}

// The paragraph's lines, and where each begins in its text.
QList<Line> layOutParagraph(const Paragraph& paragraph, qreal width, int pitch,
                            QList<qsizetype>* textStarts = nullptr) {
    QList<Cell> cells = cellsOf(paragraph);
    const QList<qsizetype> starts = breakLines(cells, width, paragraph.rightTab);
    QList<Line> lines;
    for (qsizetype i = 0; i < starts.size(); ++i) {
        const qsizetype end = i + 1 < starts.size() ? starts[i + 1] : cells.size();
        const bool last = i + 1 == starts.size();
        lines << makeLine(cells.constData() + starts[i], cells.constData() + end, paragraph,
                          last ? &paragraph.mark : nullptr, width, pitch);
        if (textStarts)
            *textStarts << (starts[i] < cells.size() ? cells[starts[i]].at : paragraph.text().size());
    }
    return lines;
}

} // namespace

qreal emOf(const CharFormat& format) {
    return format.halfPoints * 10.0;
}

bool halfWidth(char32_t c) {
    if (c < 0x80)
        return true;
    if (c < 0x10000 && doubleByte(c))
        return false;
    return !eastAsianWide(c);
}

qreal advance(char32_t c, const CharFormat& format) {
    return halfWidth(c) ? emOf(format) / 2 : emOf(format);
}

void appendCharacter(QString& text, char32_t c) {
    if (QChar::requiresSurrogates(c)) {
        text += QChar(QChar::highSurrogate(c));
        text += QChar(QChar::lowSurrogate(c));
    } else {
        text += QChar(char16_t(c));
    }
}

QList<Line> layOutFooter(const Document& document, qreal* height) {
    QList<Line> lines;
    *height = 0;
    if (document.footer.isEmpty())
        return lines;
    for (const QString& text : document.footer.split(u'\r')) {
        const Paragraph paragraph{{Run{text, document.footerFormat}}, Alignment::Left, document.footerFormat};
        for (Line& line : layOutParagraph(paragraph, bodyWidth(document.page), 0)) {
            line.top = *height;
            *height += line.height;
            lines << line;
        }
    }
    return lines;
}

qreal bodyWidth(const PageSetup& page) {
    return page.pageWidth - page.marginLeft - page.marginRight;
}

qreal gridLineHeight(const CharFormat& format, const PageSetup& page) {
    return snap(kLineHeight * emOf(format), page.linePitch);
}

QList<LineExtent> measureParagraph(const Paragraph& paragraph, const PageSetup& page) {
    QList<qsizetype> starts;
    const QList<Line> lines = layOutParagraph(paragraph, bodyWidth(page), page.linePitch, &starts);
    QList<LineExtent> extents;
    for (qsizetype i = 0; i < lines.size(); ++i)
        extents << LineExtent{starts[i], lines[i].height};
    return extents;
}

qreal bodyHeight(const Document& document) {
    const PageSetup& setup = document.page;
    // A footer reaching above the bottom margin pushes the body's end up, as in a word processor.
    qreal footerHeight = 0;
    layOutFooter(document, &footerHeight);
    const qreal bottom =
        std::min<qreal>(setup.pageHeight - setup.marginBottom, setup.pageHeight - setup.footerDistance - footerHeight);
    return bottom - setup.marginTop;
}

namespace {

// Lays the paragraphs out on pages and tells placed of every line: its paragraph, where it begins in
// the paragraph's text, and its page and line, both counted from 0.
template <typename Placed> QList<Page> layOut(const Document& document, Placed placed) {
    const PageSetup& setup = document.page;
    const qreal width = bodyWidth(setup);
    const qreal height = bodyHeight(document);
    QList<Page> pages{Page{}};
    qreal y = 0;
    for (qsizetype p = 0; p < document.paragraphs.size(); ++p) {
        const Paragraph& paragraph = document.paragraphs[p];
        if (paragraph.pageBreakBefore && !pages.last().lines.isEmpty()) {
            pages << Page{};
            y = 0;
        }
        QList<qsizetype> starts;
        QList<Line> lines = layOutParagraph(paragraph, width, setup.linePitch, &starts);
        for (qsizetype i = 0; i < lines.size(); ++i) {
            Line& line = lines[i];
            if (y + line.height > height + 0.5 && !pages.last().lines.isEmpty()) {
                pages << Page{};
                y = 0;
            }
            line.top = y;
            y += line.height;
            placed(p, starts[i], pages.size() - 1, pages.last().lines.size());
            pages.last().lines << line;
        }
    }
    return pages;
}

} // namespace

QList<Page> layOutPages(const Document& document) {
    return layOut(document, [](qsizetype, qsizetype, qsizetype, qsizetype) {});
}

PrintedPlace placeOf(const Document& document, qsizetype paragraph, qsizetype offset) {
    PrintedPlace place;
    layOut(document, [&](qsizetype p, qsizetype start, qsizetype page, qsizetype line) {
        if (p == paragraph && (start <= offset || place.page == 0))
            place = {int(page) + 1, int(line) + 1};
    });
    return place;
}

} // namespace word
