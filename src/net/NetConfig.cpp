// The product's fixed network addresses.
#include "net/NetConfig.h"

#include <QtGlobal>

namespace netconfig {

namespace {
constexpr char kUpdateAddress[] = "http://update.quillon.example/soft.ini";
constexpr char kHomeAddress[] = "http://www.quillon.example";
} // namespace

QString updateAddress()
{
    const QString configured = qEnvironmentVariable("QUILLON_UPDATE_URL");
    return configured.isEmpty() ? QString::fromLatin1(kUpdateAddress) : configured;
}

QString homeAddress()
{
    return QString::fromLatin1(kHomeAddress);
}

} // namespace netconfig
