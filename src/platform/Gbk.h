// Conversion between Qt text and the bytes every file of the program holds: GB18030, which writes
// every GBK character (code page 936) as the same bytes and carries every other character as well.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace gbk {

QByteArray encode(const QString& text);
QString decode(QByteArrayView bytes);
// Byte length of the text once encoded, as the program measures texts.
qsizetype byteLength(const QString& text);
// Length of the character that starts at pos: 1 for a single byte, 2 for a double-byte character,
// 4 for a four-byte sequence. A sequence cut off by the end counts as single bytes.
qsizetype charLength(QByteArrayView bytes, qsizetype pos);

} // namespace gbk
