// The product's fixed network addresses.
#include "net/NetConfig.h"

#include "platform/ProductAddresses.h"

#include <QtGlobal>

namespace netconfig {

QString updateAddress()
{
    const QString configured = qEnvironmentVariable("QUILLON_UPDATE_URL");
    return configured.isEmpty() ? QString::fromLatin1(product::kUpdateAddress) : configured;
}

QString homeAddress()
{
    return QString::fromLatin1(product::kHomeAddress);
}

} // namespace netconfig
