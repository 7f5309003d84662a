// Sprm operand sizes and the changes the document model keeps.
#include "Sprms.h"

#include <algorithm>
#include <cstdlib>

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

namespace {

// Tab stop changes: deleted stops, with a tolerance each in the older form, then added stops and
// their kinds. The model keeps the last right-aligned stop.
void changeTabs(const ByteReader& in, qint64 at, bool withTolerance, Props& props) {
    const unsigned deleted = in.u8(at + 1);
    qint64 next = at + 2;
    for (unsigned i = 0; i < deleted; ++i) {
        const int position = std::int16_t(in.u16(next + 2 * i));
        const int tolerance = withTolerance ? std::int16_t(in.u16(next + 2 * (deleted + i))) : 0;
        if (props.rightTab > 0 && std::abs(props.rightTab - position) <= std::abs(tolerance))
            props.rightTab = 0;
    }
    next += (withTolerance ? 4 : 2) * qint64(deleted);
    const unsigned added = in.u8(next);
    for (unsigned i = 0; i < added; ++i) {
        const int position = std::int16_t(in.u16(next + 1 + 2 * i));
        const unsigned kind = in.u8(next + 1 + 2 * added + i) & 0x7;
        if (kind == 2 && position > 0)
            props.rightTab = position;
        else if (position == props.rightTab)
            props.rightTab = 0;
    }
}

} // namespace

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
        case 0x2407:
            props.pageBreakBefore = in.u8(at) != 0;
            break;
        case 0x6412: {
            // Exact heights are negative; a positive one is a minimum, or a multiple of single lines.
            const int height = std::int16_t(in.u16(at));
            props.lineSpacing = height < 0 && in.u16(at + 2) == 0 ? -height : 0;
            break;
        }
        case 0xC60D:
        case 0xC615:
            changeTabs(in, at, code == 0xC615, props);
            break;
        default:
            break;
        }
    });
}

} // namespace word
