// Painting the laid-out pages of a document.
#pragma once

#include "PageLayout.h"

class QPainter;

namespace word {

class PageFace;

// Paints one page in the document's page face; the painter's coordinates are twips from the paper's
// top left corner. Every glyph sits where the layout put it, whatever face draws it.
void paintPage(QPainter& painter, const Document& document, const Page& page, const PageFace& face);

} // namespace word
