// The typeface printed pages are painted in: the machine's Song (serif) face for Chinese text, in a
// copy whose character map names every glyph by one character.
#pragma once

#include <QFont>
#include <QRawFont>

namespace word {

// The installed face pages are painted in: SimSun where installed, else a CJK serif face.
QString installedPageFamily();

// The page face at a pixel size, for placing glyphs one by one. CJK faces draw 人 and the Kangxi
// radical ⼈ with one glyph, and a PDF names a glyph by the lowest character that maps to it: the
// text taken from the PDF would hold radicals, and searching or copying it would fail. The copy
// maps such a glyph from the ideograph only. Where the installed face cannot be copied it is used
// as it is. GUI thread only.
QRawFont pageFont(int pixelSize);

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
