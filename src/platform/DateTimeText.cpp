// Date-time text without leading zeros.
#include "DateTimeText.h"

namespace datetimetext {

QString datePart(const QDateTime& t)
{
    const QDate d = t.date();
    return QStringLiteral("%1年%2月%3日").arg(d.year()).arg(d.month()).arg(d.day());
}

QString timePart(const QDateTime& t)
{
    const QTime time = t.time();
    if (time.second() != 0)
        return QStringLiteral("%1时%2分%3秒").arg(time.hour()).arg(time.minute()).arg(time.second());
    if (time.minute() != 0)
        return QStringLiteral("%1时%2分").arg(time.hour()).arg(time.minute());
    if (time.hour() != 0)
        return QStringLiteral("%1时").arg(time.hour());
    return {};
}

} // namespace datetimetext
