// Sprm operand sizes and the changes the document model keeps.
#include "Sprms.h"

#include <algorithm>

namespace word {

void forEachSprm(const QByteArray& grpprl, const std::function<void(unsigned, const ByteReader&, qint64)>& f) {
    const ByteReader in(grpprl);
    qint64 at = 0;
    while (at + 2 <= in.size()) {
        const unsigned code = in.u16(at);
        qint64 operand = at + 2;
        qint64 length = 0;
        switch (code >> 13) {
        case 0:
        case 1:
            length = 1;
            break;
        case 2:
        case 4:
        case 5:
            length = 2;
            break;
        case 3:
            length = 4;
            break;
        case 7:
            length = 3;
            break;
        default:
            // The table definition counts its length in two bytes, one more than it holds.
            if (code == 0xD608) {
                length = 2 + qint64(in.u16(operand)) - 1;
            } else if (code == 0xC615 && in.u8(operand) == 255) {
                const unsigned deleted = in.u8(operand + 1);
                const unsigned added = in.u8(operand + 2 + 4 * deleted);
                length = 1 + 1 + 4 * deleted + 1 + 3 * added;
            } else {
                length = 1 + in.u8(operand);
            }
        }
        if (!in.has(operand, length))
            return;
        f(code, in, operand);
        at = operand + length;
    }
}

void applySprms(const QByteArray& grpprl, Props& props, const CharFormat& style) {
    forEachSprm(grpprl, [&](unsigned code, const ByteReader& in, qint64 at) {
        switch (code) {
        case 0x0835: {
            const unsigned v = in.u8(at);
            props.format.bold = v == 0x80 ? style.bold : v == 0x81 ? !style.bold : v != 0;
            break;
        }
        case 0x4A43:
            props.format.halfPoints = std::clamp(int(in.u16(at)), 2, 3276);
            break;
        case 0x2A3E:
            props.format.underline = in.u8(at) != 0;
            break;
        case 0x2403:
        case 0x2461:
            props.alignment = in.u8(at) == 1 ? Alignment::Centre : Alignment::Left;
            break;
        default:
            break;
        }
    });
}

} // namespace word
