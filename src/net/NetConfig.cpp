// The product's fixed network addresses.
#include "net/NetConfig.h"

#include "platform/ProductAddresses.h"
#include "platform/ProductVersion.h"

#include <QtGlobal>

namespace netconfig {

QString updateAddress() {
    const QString configured = qEnvironmentVariable("QUILLON_UPDATE_URL");
    const QString address = configured.isEmpty() ? QString::fromLatin1(product::kUpdateAddress) : configured;
    // The server answers for the version that asks.
    return address + (address.contains('?') ? '&' : '?') + QStringLiteral("version=") +
           QLatin1String(product::kVersion);
}

QString homeAddress() {
    return QString::fromLatin1(product::kHomeAddress);
}

} // namespace netconfig
