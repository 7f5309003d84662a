// GBK through Qt's ICU-backed codecs.
#include "Gbk.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace gbk {

QByteArray encode(const QString& text)
{
    QStringEncoder encoder("GBK");
    return encoder.encode(text);
}

QString decode(const QByteArray& bytes)
{
    QStringDecoder decoder("GBK");
    return decoder.decode(bytes);
}

qsizetype byteLength(const QString& text)
{
    return encode(text).size();
}

} // namespace gbk
