// Asking libcups, resolved at run time, for the status of its last request, and handing it files.
#include "CupsStatus.h"

#include <QFile>
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

std::optional<QString> sendToCups(const QString& printer, const QString& path, const QString& title) {
    QLibrary cups(QStringLiteral("cups"), 2);
    using PrintFile = int (*)(const char*, const char*, const char*, int, void*);
    using LastErrorString = const char* (*)();
    const auto printFile = reinterpret_cast<PrintFile>(cups.resolve("cupsPrintFile"));
    const auto lastErrorString = reinterpret_cast<LastErrorString>(cups.resolve("cupsLastErrorString"));
    if (!printFile || !lastErrorString)
        return QStringLiteral("找不到打印系统的程序库（libcups）。");
    // The job's number, 0 when the scheduler did not take it.
    if (printFile(printer.toUtf8().constData(), QFile::encodeName(path).constData(), title.toUtf8().constData(), 0,
                  nullptr) > 0)
        return std::nullopt;
    return QString::fromUtf8(lastErrorString());
}

} // namespace word
