// The fixed texts live as GBK files in the program's resources.
#include "FixedTexts.h"

#include "platform/Gbk.h"

#include <QFile>

namespace help {
namespace {

QByteArray resource(const char* name) {
    QFile file(QStringLiteral(":/texts/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

QByteArray statuteBytes() {
    return resource("statute.txt");
}
QByteArray conductBytes() {
    return resource("conduct.txt");
}
QByteArray guideBytes() {
    return resource("guide.txt");
}
QString contactText() {
    return gbk::decode(resource("contact.txt"));
}
QString statuteText() {
    return gbk::decode(statuteBytes());
}
QString conductText() {
    return gbk::decode(conductBytes());
}

} // namespace help
