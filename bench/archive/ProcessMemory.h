// The memory of this process as Linux counts it, for benchmarks that report what they take.
#pragma once

#include <QByteArray>
#include <QFile>

namespace bench {

// A field of /proc/self/status in MB: "VmRSS:" resident now, "VmHWM:" the peak.
inline double memoryMb(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

// The peak starts again from what is resident now.
inline void resetPeak() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

} // namespace bench
