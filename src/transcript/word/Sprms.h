// Walking the property changes (sprms) of a .doc file and applying the ones the model keeps.
#pragma once

#include "Bytes.h"
#include "Document.h"

#include <QByteArray>

#include <functional>

namespace word {

// Calls f(code, reader, operand offset) for each property change; the operand size follows from
// the code, so unknown changes are stepped over. Stops at a change that runs past the end.
void forEachSprm(const QByteArray& grpprl, const std::function<void(unsigned, const ByteReader&, qint64)>& f);

// Character and paragraph properties, as far as the document model keeps them.
struct Props {
    CharFormat format;
    Alignment alignment = Alignment::Left;
    int lineSpacing = 0;
    int rightTab = 0;
    bool pageBreakBefore = false;
};

// Applies bold, size, underline, alignment, exact line spacing, right-aligned tab stop and page
// break changes; style is what "as in the style" refers to.
void applySprms(const QByteArray& grpprl, Props& props, const CharFormat& style);

} // namespace word
