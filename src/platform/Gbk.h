// Conversion between Qt text and the GBK bytes (code page 936) that every file of the program holds.
#pragma once

#include <QByteArray>
#include <QString>

namespace gbk {

QByteArray encode(const QString& text);
QString decode(const QByteArray& bytes);
// Byte length of the text once encoded, as the program measures texts.
qsizetype byteLength(const QString& text);

} // namespace gbk
