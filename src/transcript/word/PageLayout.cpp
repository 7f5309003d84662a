// Line breaking, grid snapping, page breaking and painting.
#include "PageLayout.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHash>
#include <QPainter>

#include <cmath>

namespace word {

namespace {

QString serifFamily() {
    static const QString family = [] {
        const QStringList installed = QFontDatabase::families();
        for (const QString& candidate : {QStringLiteral("SimSun"), QStringLiteral("宋体"),
                                         QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Serif CJK")})
            if (installed.contains(candidate))
                return candidate;
        return QStringLiteral("serif");
    }();
    return family;
}

struct Metrics {
    QFont font;
    QFontMetricsF metrics;
    QHash<char16_t, qreal> widths;

    explicit Metrics(const CharFormat& format) : font(fontFor(format)), metrics(font) {}

    qreal width(QChar c) {
        auto it = widths.find(c.unicode());
        if (it == widths.end()) {
            // A lone character's advance leaves out the word spacing that widens the font's spaces.
            const qreal advance = metrics.horizontalAdvance(c) + (c == QLatin1Char(' ') ? font.wordSpacing() : 0);
            it = widths.insert(c.unicode(), advance);
        }
        return *it;
    }
};

class MetricsCache {
public:
    Metrics& operator[](const CharFormat& format) {
        const int key = format.halfPoints * 4 + (format.bold ? 2 : 0);
        auto it = m_metrics.find(key);
        if (it == m_metrics.end())
            it = m_metrics.insert(key, std::make_shared<Metrics>(format));
        return **it;
    }

private:
    QHash<int, std::shared_ptr<Metrics>> m_metrics;
};

// Height of a line holding this format before snapping: the font's line spacing, and for CJK text
// at least 1.3 times the size, as word processors space it whatever the font's own metrics say
// (so a 14 pt line takes two 15.6 pt pitches with SimSun as with Noto Serif CJK).
qreal naturalHeight(MetricsCache& cache, const CharFormat& format) {
    const qreal size = format.halfPoints * 10.0;
    return std::max(cache[format].metrics.height(), 1.3 * size);
}

qreal snap(qreal height, int pitch) {
    if (pitch <= 0)
        return height;
    return std::max(1.0, std::ceil(height / pitch - 1e-6)) * pitch;
}

struct Cell {
    QChar c;
    const CharFormat* format;
    qreal width;
};

bool breaksAfter(QChar c) {
    return c.isSpace() || c.unicode() >= 0x2E80;
}

constexpr qreal kDefaultTabStop = 420; // the document's default tab interval, in twips

// A tab reaches the next default tab stop after x.
qreal tabWidth(qreal x) {
    return kDefaultTabStop - std::fmod(x, kDefaultTabStop);
}

// Splits one paragraph into lines of cells that fit the width; spaces at a line's end hang.
QList<QList<Cell>> breakLines(const QList<Cell>& cells, qreal width) {
    QList<QList<Cell>> lines;
    QList<Cell> line;
    qreal used = 0;
    for (Cell cell : cells) {
        if (cell.c == u'\t')
            cell.width = tabWidth(used);
        if (cell.c != u' ' && used + cell.width > width + 0.01 && !line.isEmpty()) {
            // Break at the last opportunity inside the line, else just before this cell.
            qsizetype at = line.size();
            if (!breaksAfter(cell.c) && !breaksAfter(line.last().c)) {
                for (qsizetype i = line.size() - 1; i > 0; --i)
                    if (breaksAfter(line[i - 1].c)) {
                        at = i;
                        break;
                    }
            }
            lines << line.mid(0, at);
            line = line.mid(at);
            used = 0;
            for (Cell& kept : line) {
                if (kept.c == u'\t')
                    kept.width = tabWidth(used);
                used += kept.width;
            }
            if (cell.c == u'\t')
                cell.width = tabWidth(used);
        }
        line << cell;
        used += cell.width;
    }
    lines << line;
    return lines;
}

Line makeLine(MetricsCache& cache, const QList<Cell>& cells, const Paragraph& paragraph, const CharFormat* mark,
              qreal width, int pitch) {
    Line line;
    qreal natural = 0;
    qreal ascent = 0;
    qreal descent = 0;
    auto measure = [&](const CharFormat& format) {
        natural = std::max(natural, naturalHeight(cache, format));
        ascent = std::max(ascent, cache[format].metrics.ascent());
        descent = std::max(descent, cache[format].metrics.descent());
    };
    if (mark)
        measure(*mark);
    qreal x = 0;
    for (const Cell& cell : cells) {
        measure(*cell.format);
        // A fragment ends at a format change and after a tab, so text after a tab starts at its stop.
        if (line.fragments.isEmpty() || line.fragments.last().format != *cell.format ||
            line.fragments.last().text.endsWith(u'\t'))
            line.fragments << Fragment{QString(), *cell.format, x, 0};
        line.fragments.last().text += cell.c;
        line.fragments.last().width += cell.width;
        x += cell.width;
    }
    qreal visible = x;
    for (qsizetype i = cells.size() - 1; i >= 0 && cells[i].c == u' '; --i)
        visible -= cells[i].width;
    if (paragraph.alignment == Alignment::Centre) {
        const qreal shift = std::max(0.0, (width - visible) / 2);
        for (Fragment& fragment : line.fragments)
            fragment.x += shift;
    }
    line.height = snap(natural, pitch);
    line.baseline = (line.height - (ascent + descent)) / 2 + ascent;
    return line;
}

QList<Line> layOutParagraph(MetricsCache& cache, const Paragraph& paragraph, qreal width, int pitch) {
    QList<Cell> cells;
    for (const Run& run : paragraph.runs) {
        Metrics& metrics = cache[run.format];
        for (QChar c : run.text)
            cells << Cell{c, &run.format, c == u'\t' ? 0.0 : metrics.width(c)};
    }
    const QList<QList<Cell>> broken = breakLines(cells, width);
    QList<Line> lines;
    for (qsizetype i = 0; i < broken.size(); ++i)
        lines << makeLine(cache, broken[i], paragraph, i + 1 == broken.size() ? &paragraph.mark : nullptr, width,
                          pitch);
    return lines;
}

qreal bodyWidth(const PageSetup& page) {
    return page.pageWidth - page.marginLeft - page.marginRight;
}

} // namespace

QFont fontFor(const CharFormat& format) {
    QFont font(serifFamily());
    font.setPixelSize(format.halfPoints * 10);
    font.setBold(format.bold);
    font.setUnderline(false); // drawn by hand, clipped at the margin
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(false);
    // SimSun's space is half as wide as a Chinese character, and transcripts line up their fields
    // and underlined blanks in such spaces: a stand-in font gets the same space width.
    const qreal space = QFontMetricsF(font).horizontalAdvance(QLatin1Char(' '));
    font.setWordSpacing(font.pixelSize() / 2.0 - space);
    return font;
}

namespace {

// The footer's lines, their tops counted from the footer's own top, and its height.
QList<Line> layOutFooter(MetricsCache& cache, const Document& document, qreal* height) {
    QList<Line> lines;
    *height = 0;
    if (document.footer.isEmpty())
        return lines;
    for (const QString& text : document.footer.split(u'\r')) {
        const Paragraph paragraph{{Run{text, document.footerFormat}}, Alignment::Left, document.footerFormat};
        for (Line& line : layOutParagraph(cache, paragraph, bodyWidth(document.page), 0)) {
            line.top = *height;
            *height += line.height;
            lines << line;
        }
    }
    return lines;
}

} // namespace

QList<Page> layOutPages(const Document& document) {
    const PageSetup& setup = document.page;
    const qreal width = bodyWidth(setup);
    MetricsCache cache;
    // A footer reaching above the bottom margin pushes the body's end up, as in a word processor.
    qreal footerHeight = 0;
    layOutFooter(cache, document, &footerHeight);
    const qreal bottom =
        std::min<qreal>(setup.pageHeight - setup.marginBottom, setup.pageHeight - setup.footerDistance - footerHeight);
    const qreal height = bottom - setup.marginTop;
    QList<Page> pages{Page{}};
    qreal y = 0;
    for (const Paragraph& paragraph : document.paragraphs) {
        for (Line& line : layOutParagraph(cache, paragraph, width, setup.linePitch)) {
            if (y + line.height > height + 0.5 && !pages.last().lines.isEmpty()) {
                pages << Page{};
                y = 0;
            }
            line.top = y;
            y += line.height;
            pages.last().lines << line;
        }
    }
    return pages;
}

namespace {

void paintLine(QPainter& painter, const Line& line, qreal left, qreal top, qreal right) {
    const qreal baseline = top + line.top + line.baseline;
    for (const Fragment& fragment : line.fragments) {
        const QFont font = fontFor(fragment.format);
        painter.setFont(font);
        QString text = fragment.text;
        text.remove(u'\t');
        painter.drawText(QPointF(left + fragment.x, baseline), text);
        if (fragment.format.underline) {
            const QFontMetricsF metrics(font);
            const qreal end = std::min(left + fragment.x + fragment.width, right);
            if (end > left + fragment.x) {
                const qreal y = baseline + metrics.underlinePos();
                painter.fillRect(
                    QRectF(left + fragment.x, y, end - left - fragment.x, std::max(metrics.lineWidth(), 10.0)),
                    painter.pen().color());
            }
        }
    }
}

} // namespace

void paintPage(QPainter& painter, const Document& document, const Page& page) {
    const PageSetup& setup = document.page;
    const qreal left = setup.marginLeft;
    const qreal right = setup.pageWidth - setup.marginRight;
    painter.save();
    painter.setPen(Qt::black);
    for (const Line& line : page.lines)
        paintLine(painter, line, left, setup.marginTop, right);
    MetricsCache cache;
    qreal height = 0;
    const QList<Line> footer = layOutFooter(cache, document, &height);
    // The footer grows upwards from the footer distance.
    const qreal top = setup.pageHeight - setup.footerDistance - height;
    for (const Line& line : footer)
        paintLine(painter, line, left, top, right);
    painter.restore();
}

} // namespace word
