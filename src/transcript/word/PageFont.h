// The typefaces printed pages are painted in: the machine's Song (serif) face for Chinese text, in a
// face made for each document that holds the glyphs its characters need, each named by one character.
#pragma once

#include "Document.h"

#include <QFont>
#include <QRawFont>

namespace word {

// The installed face pages are painted in: SimSun where installed, else a CJK serif face.
QString installedPageFamily();

// The page face of one document: the installed face cut down by HarfBuzz's subsetter to the glyphs
// of the characters the document holds, with a character map that names each glyph by one
// character. CJK faces draw 人 and the Kangxi radical ⼈ with one glyph, and a PDF names a glyph by
// the lowest character that maps to it: the text taken from the PDF would hold radicals, and
// searching or copying it would fail. So a character that only stands in for another one (a
// radical, a compatibility form) is left out where the installed face gives its glyph to another
// character, and is drawn as a character the face lacks. A PDF then embeds a small font of the
// document's own glyphs, not a copy of the whole face. The face is registered with the font
// database while the object lives; where it cannot be made, the installed face is used as it is.
// GUI thread only.
class PageFace {
public:
    explicit PageFace(const Document& document);
    ~PageFace();
    PageFace(const PageFace&) = delete;
    PageFace& operator=(const PageFace&) = delete;

    // The face at a pixel size, for placing glyphs one by one.
    QRawFont at(int pixelSize) const;
    // The family the face is registered under.
    const QString& family() const { return m_family; }

private:
    int m_fontId = -1;
    QString m_family;
};

// The installed face itself at a pixel size.
QRawFont installedFont(int pixelSize);

// The face half-width characters are painted in, at a pixel size: one whose Latin letters, digits
// and signs are all half an em wide, as the document's Song face has them (SimSun itself where
// installed), else the installed face.
QRawFont halfWidthFont(int pixelSize);

// The installed page family at a pixel size, for characters neither face has a glyph for: the font
// machinery finds another face that has one.
QFont fallbackFont(int pixelSize, bool bold);

} // namespace word
