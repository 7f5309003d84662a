// Little-endian integers appended to a byte buffer, as RIFF files (WAV, AVI) store them.
#pragma once

#include <QByteArray>
#include <QtEndian>

namespace riff {

template <typename T> void appendLittleEndian(QByteArray& out, T value) {
    char bytes[sizeof(T)];
    qToLittleEndian(value, bytes);
    out.append(bytes, qsizetype(sizeof(T)));
}

inline void appendLe16(QByteArray& out, quint16 value) {
    appendLittleEndian(out, value);
}
inline void appendLe32(QByteArray& out, quint32 value) {
    appendLittleEndian(out, value);
}
inline void appendLe64(QByteArray& out, quint64 value) {
    appendLittleEndian(out, value);
}

} // namespace riff
