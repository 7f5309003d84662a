// Builds capture file names from the date-time text.
#include "recording/CaptureFileName.h"

#include "platform/DateTimeText.h"

QString captureFileName(const QString& blDir, const QDateTime& time, int n) {
    const QString base = blDir + QLatin1Char('/') + datetimetext::full(time);
    return n == 1 ? base + QStringLiteral(".avi") : base + QStringLiteral("(%1).avi").arg(n);
}
