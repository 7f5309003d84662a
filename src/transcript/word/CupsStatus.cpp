// Asking libcups, resolved at run time, for the status of its last request.
#include "CupsStatus.h"

#include <QLibrary>

namespace word {

std::optional<QString> lastCupsRefusal() {
    QLibrary cups(QStringLiteral("cups"), 2);
    using LastError = int (*)();
    using LastErrorString = const char* (*)();
    const auto lastError = reinterpret_cast<LastError>(cups.resolve("cupsLastError"));
    const auto lastErrorString = reinterpret_cast<LastErrorString>(cups.resolve("cupsLastErrorString"));
    if (!lastError || !lastErrorString)
        return std::nullopt;
    // IPP status codes from 0x0400 on are client or server errors.
    if (lastError() < 0x0400)
        return std::nullopt;
    return QString::fromUtf8(lastErrorString());
}

} // namespace word
