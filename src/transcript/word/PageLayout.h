// Lays the document out on pages as a word processor does on a lines-only grid, and paints pages
// with Qt's painter. All lengths are in twips.
#pragma once

#include "Document.h"

#include <QFont>
#include <QList>

class QPainter;

namespace word {

struct Fragment {
    QString text;
    CharFormat format;
    qreal x = 0;
    qreal width = 0;
};

struct Line {
    qreal top = 0; // from the top margin
    qreal height = 0;
    qreal baseline = 0; // from the line's top
    QList<Fragment> fragments;
};

struct Page {
    QList<Line> lines;
};

// The font a run is shown in: SimSun where installed, else a CJK serif font; pixel size in twips.
QFont fontFor(const CharFormat& format);

// The pages of the document. Each line is as high as its largest font (1.3 times the size at
// least), snapped up to whole grid pitches; trailing spaces never wrap.
QList<Page> layOutPages(const Document& document);

// Paints one page; the painter's coordinates are twips from the paper's top left corner.
void paintPage(QPainter& painter, const Document& document, const Page& page);

} // namespace word
