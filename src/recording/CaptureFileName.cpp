// Builds capture file names from the date-time text.
#include "recording/CaptureFileName.h"

#include "platform/DateTimeText.h"

#include <QFileInfo>

QString captureFileName(const QString& blDir, const QDateTime& time)
{
    const QString base = blDir + QLatin1Char('/') + datetimetext::full(time);
    QString name = base + QStringLiteral(".avi");
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = base + QStringLiteral("(%1).avi").arg(n);
    return name;
}
