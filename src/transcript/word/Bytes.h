// Little-endian byte building and bounds-checked reading for the binary file format.
#pragma once

#include <QByteArray>

#include <cstdint>

namespace word {

inline void putU8(QByteArray& out, unsigned value) {
    out.append(char(value & 0xFF));
}

inline void putU16(QByteArray& out, unsigned value) {
    putU8(out, value);
    putU8(out, value >> 8);
}

inline void putU32(QByteArray& out, std::uint32_t value) {
    putU16(out, value & 0xFFFF);
    putU16(out, value >> 16);
}

// A property change (sprm) with a one- or two-byte operand.
inline void putSprm8(QByteArray& out, unsigned sprm, unsigned operand) {
    putU16(out, sprm);
    putU8(out, operand);
}

inline void putSprm16(QByteArray& out, unsigned sprm, unsigned operand) {
    putU16(out, sprm);
    putU16(out, operand);
}

inline void setU16(QByteArray& out, qsizetype at, unsigned value) {
    out[at] = char(value & 0xFF);
    out[at + 1] = char((value >> 8) & 0xFF);
}

inline void setU32(QByteArray& out, qsizetype at, std::uint32_t value) {
    setU16(out, at, value & 0xFFFF);
    setU16(out, at + 2, value >> 16);
}

inline void padTo(QByteArray& out, qsizetype multiple) {
    const qsizetype rest = out.size() % multiple;
    if (rest)
        out.append(multiple - rest, '\0');
}

// Reads from a byte array; reads past the end give 0 and mark the reader as overrun, so a damaged
// file never reads outside its buffer.
class ByteReader {
public:
    explicit ByteReader(const QByteArray& data) : m_data(data) {}
    bool has(qint64 at, qint64 length) const { return at >= 0 && length >= 0 && at + length <= m_data.size(); }
    unsigned u8(qint64 at) const { return has(at, 1) ? std::uint8_t(m_data[at]) : fail(); }
    unsigned u16(qint64 at) const { return has(at, 2) ? u8(at) | (u8(at + 1) << 8) : fail(); }
    std::uint32_t u32(qint64 at) const { return has(at, 4) ? u16(at) | (std::uint32_t(u16(at + 2)) << 16) : fail(); }
    qint64 size() const { return m_data.size(); }
    const QByteArray& data() const { return m_data; }
    bool overrun() const { return m_overrun; }

private:
    unsigned fail() const {
        m_overrun = true;
        return 0;
    }
    const QByteArray& m_data;
    mutable bool m_overrun = false;
};

} // namespace word
