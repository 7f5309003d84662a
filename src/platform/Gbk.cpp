// GB18030 through Qt's ICU-backed codecs, with code page 936's single byte for the euro sign.
#include "Gbk.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace gbk {

namespace {

// Code page 936 writes the euro sign as the single byte 0x80, which GB18030 leaves undefined; files
// made on Windows hold it so, and Windows reads it only so.
constexpr char16_t kEuro = 0x20AC;
constexpr char kEuroByte = '\x80';

QByteArray encodePlain(QStringView text) {
    QStringEncoder encoder("GB18030", QStringConverter::Flag::Stateless);
    return encoder.encode(text);
}

QString decodePlain(QByteArrayView bytes) {
    QStringDecoder decoder("GB18030", QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
}

} // namespace

QByteArray encode(const QString& text) {
    if (!text.contains(QChar(kEuro)))
        return encodePlain(text);
    QByteArray bytes;
    qsizetype start = 0;
    for (qsizetype euro = text.indexOf(QChar(kEuro)); euro >= 0; euro = text.indexOf(QChar(kEuro), start)) {
        bytes += encodePlain(QStringView(text).sliced(start, euro - start));
        bytes += kEuroByte;
        start = euro + 1;
    }
    return bytes + encodePlain(QStringView(text).sliced(start));
}

QString decode(QByteArrayView bytes) {
    if (!bytes.contains(kEuroByte))
        return decodePlain(bytes);
    // 0x80 is also the trail byte of some double-byte characters: only one that starts a character
    // is the euro sign.
    QString text;
    qsizetype start = 0;
    for (qsizetype pos = 0; pos < bytes.size(); pos += charLength(bytes, pos)) {
        if (bytes[pos] != kEuroByte)
            continue;
        text += decodePlain(bytes.sliced(start, pos - start));
        text += QChar(kEuro);
        start = pos + 1;
    }
    return text + decodePlain(bytes.sliced(start));
}

qsizetype byteLength(const QString& text) {
    return encode(text).size();
}

qsizetype charLength(QByteArrayView bytes, qsizetype pos) {
    const auto lead = static_cast<unsigned char>(bytes[pos]);
    if (lead < 0x81 || lead == 0xFF || pos + 1 >= bytes.size())
        return 1;
    const auto second = static_cast<unsigned char>(bytes[pos + 1]);
    if (second >= 0x30 && second <= 0x39)
        return pos + 3 < bytes.size() ? 4 : 1;
    return 2;
}

} // namespace gbk
