// Painting pages glyph by glyph at the places the layout gives them.
#include "PagePainting.h"

#include "PageFont.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QPainter>
#include <QPainterPath>

#include <array>
#include <cmath>

namespace word {

namespace {

// Characters of the Western code page (Windows-1252).
bool western(char32_t c) {
    static const QString extras = QStringLiteral("€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ");
    return (c >= 0x20 && c < 0x7F) || (c >= 0xA0 && c <= 0xFF) || (c < 0x10000 && extras.contains(QChar(char16_t(c))));
}

// Dashes drawn across their whole cell, so that two of them make one line, as a Chinese dash (——)
// is written.
bool joins(char32_t c) {
    return c == 0x2014 || c == 0x2015;
}

// Draws fragments glyph by glyph at the layout's places: a character a whole em wide centred in its
// em, a dash stretched over it, a run of half-width characters (a Latin word, a number) in a face
// whose Latin is half-width, as the document's Song face has it, fitted to the half ems it was
// given. Bold is the regular face with its outlines stroked, as word processors embolden Song
// faces, which have no bold of their own; the text is drawn once, so that it reads back once.
// Western characters come from installed faces and all others from the page face: a print system
// that splits a face into 256-glyph fonts of one name keeps the Western characters in a font with
// an encoding of its own, and Ghostscript loses characters from same-named fonts whose encodings
// clash.
class Pen {
public:
    Pen(QPainter& painter, const PageFace& face) : m_painter(painter), m_face(face) {}

    void draw(const Fragment& fragment, qreal x, qreal baseline) {
        const CharFormat& format = fragment.format;
        const Faces& faces = facesFor(format);
        std::array<QList<quint32>, 2> glyphs;
        std::array<QList<QPointF>, 2> positions;
        bool wordWestern = false;
        qreal wordX = 0;
        QList<uint> word;
        auto endWord = [&] {
            if (!word.isEmpty())
                drawWord(wordWestern ? QList<QRawFont>{faces.halfWidth, faces.installed} : QList<QRawFont>{faces.page},
                         format, word, wordX, baseline);
            word.clear();
        };
        for (const uint c : fragment.text.toUcs4()) {
            if (c == u'\t' || c == u' ') {
                endWord();
                x += c == u' ' ? advance(c, format) : 0;
                continue;
            }
            const bool isWestern = western(c);
            const qreal width = advance(c, format);
            if (halfWidth(c)) {
                if (!word.isEmpty() && wordWestern != isWestern)
                    endWord();
                if (word.isEmpty()) {
                    wordWestern = isWestern;
                    wordX = x;
                }
                word << c;
            } else {
                endWord();
                const QRawFont& face = isWestern ? faces.installed : faces.page;
                const quint32 glyph = glyphOf(face, c);
                if (glyph == 0) {
                    drawFallback(format, QList<uint>{c}, x, width, baseline);
                } else if (joins(c)) {
                    drawStretched(face, format, glyph, x, width, baseline);
                } else {
                    const qreal natural = face.advancesForGlyphIndexes(QList<quint32>{glyph}).value(0).x();
                    glyphs[isWestern ? 0 : 1] << glyph;
                    positions[isWestern ? 0 : 1] << QPointF(x + (width - natural) / 2, baseline);
                }
            }
            x += width;
        }
        endWord();
        if (!glyphs[0].isEmpty())
            drawRun(faces.installed, format, glyphs[0], positions[0]);
        if (!glyphs[1].isEmpty())
            drawRun(faces.page, format, glyphs[1], positions[1]);
    }

private:
    struct Faces {
        QRawFont installed;
        QRawFont page;
        QRawFont halfWidth;
    };

    // The faces in the format's size.
    const Faces& facesFor(const CharFormat& format) {
        auto it = m_faces.find(format.halfPoints);
        if (it == m_faces.end()) {
            const int pixels = format.halfPoints * 10;
            it = m_faces.insert(format.halfPoints,
                                Faces{installedFont(pixels), m_face.at(pixels), halfWidthFont(pixels)});
        }
        return *it;
    }

    void drawRun(const QRawFont& face, const CharFormat& format, const QList<quint32>& glyphs,
                 const QList<QPointF>& positions) {
        QGlyphRun run;
        run.setRawFont(face);
        run.setGlyphIndexes(glyphs);
        run.setPositions(positions);
        m_painter.drawGlyphRun(QPointF(), run);
        if (!format.bold)
            return;
        QPainterPath outlines;
        for (qsizetype i = 0; i < glyphs.size(); ++i)
            outlines.addPath(face.pathForGlyph(glyphs[i]).translated(positions[i]));
        m_painter.strokePath(outlines, QPen(m_painter.pen().color(), emOf(format) / 30));
    }

    static quint32 glyphOf(const QRawFont& face, char32_t c) {
        QString text;
        appendCharacter(text, c);
        return face.glyphIndexesForString(text).value(0);
    }

    // The glyph's ink scaled to fill the cell from edge to edge.
    void drawStretched(const QRawFont& face, const CharFormat& format, quint32 glyph, qreal x, qreal box,
                       qreal baseline) {
        const QRectF ink = face.boundingRect(glyph);
        if (ink.width() <= 0)
            return;
        const qreal scale = box / ink.width();
        m_painter.save();
        m_painter.translate(x - ink.left() * scale, baseline);
        m_painter.scale(scale, 1);
        drawRun(face, format, QList<quint32>{glyph}, QList<QPointF>{QPointF()});
        m_painter.restore();
    }

    // A run of half-width characters from the first face that has them all, fitted to their half ems.
    void drawWord(const QList<QRawFont>& candidates, const CharFormat& format, const QList<uint>& characters, qreal x,
                  qreal baseline) {
        const qreal box = characters.size() * emOf(format) / 2;
        for (const QRawFont& face : candidates) {
            QList<quint32> glyphs;
            for (const uint c : characters)
                glyphs << glyphOf(face, c);
            if (glyphs.contains(0u))
                continue;
            QList<QPointF> positions;
            qreal natural = 0;
            for (const QPointF& step : face.advancesForGlyphIndexes(glyphs)) {
                positions << QPointF(natural, 0);
                natural += step.x();
            }
            if (natural <= 0)
                return;
            m_painter.save();
            m_painter.translate(x, baseline);
            m_painter.scale(box / natural, 1);
            drawRun(face, format, glyphs, positions);
            m_painter.restore();
            return;
        }
        drawFallback(format, characters, x, box, baseline);
    }

    // Characters no face has, in whatever face the font machinery finds for them, fitted to their
    // place.
    void drawFallback(const CharFormat& format, const QList<uint>& characters, qreal x, qreal box, qreal baseline) {
        const QFont font = fallbackFont(format.halfPoints * 10, format.bold);
        QString text;
        for (const uint c : characters)
            appendCharacter(text, c);
        const qreal natural = QFontMetricsF(font).horizontalAdvance(text);
        if (natural <= 0)
            return;
        m_painter.save();
        m_painter.setFont(font);
        m_painter.translate(x, baseline);
        if (natural > box)
            m_painter.scale(box / natural, 1);
        else
            m_painter.translate((box - natural) / 2, 0);
        m_painter.drawText(QPointF(), text);
        m_painter.restore();
    }

    QPainter& m_painter;
    const PageFace& m_face;
    QHash<int, Faces> m_faces;
};

// An underline half a point high, with a hairline along it: a page shown or replayed smaller than
// that still gets one device pixel of it.
void drawUnderline(QPainter& painter, const QRectF& bar) {
    painter.fillRect(bar, painter.pen().color());
    const QPen pen = painter.pen();
    QPen hairline(pen.color(), 0);
    hairline.setCapStyle(Qt::FlatCap);
    painter.setPen(hairline);
    const qreal y = bar.center().y();
    painter.drawLine(QLineF(bar.left(), y, bar.right(), y));
    painter.setPen(pen);
}

void paintLine(QPainter& painter, Pen& pen, const Line& line, qreal left, qreal top, qreal right) {
    const qreal baseline = top + line.top + line.baseline;
    for (const Fragment& fragment : line.fragments) {
        pen.draw(fragment, left + fragment.x, baseline);
        if (fragment.format.underline) {
            const qreal em = emOf(fragment.format);
            const qreal end = std::min(left + fragment.x + fragment.width, right);
            if (end > left + fragment.x)
                drawUnderline(painter, QRectF(left + fragment.x, baseline + 0.1 * em, end - left - fragment.x,
                                              std::max(0.05 * em, 10.0)));
        }
    }
}

} // namespace

void paintPage(QPainter& painter, const Document& document, const Page& page, const PageFace& face) {
    const PageSetup& setup = document.page;
    const qreal left = setup.marginLeft;
    const qreal right = setup.pageWidth - setup.marginRight;
    painter.save();
    painter.setPen(Qt::black);
    Pen pen(painter, face);
    for (const Line& line : page.lines)
        paintLine(painter, pen, line, left, setup.marginTop, right);
    qreal height = 0;
    const QList<Line> footer = layOutFooter(document, &height);
    // The footer grows upwards from the footer distance.
    const qreal top = setup.pageHeight - setup.footerDistance - height;
    for (const Line& line : footer)
        paintLine(painter, pen, line, left, top, right);
    painter.restore();
}

} // namespace word
