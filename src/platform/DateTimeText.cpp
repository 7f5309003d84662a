// Date-time text without leading zeros.
#include "DateTimeText.h"

#include <QRegularExpression>

namespace datetimetext {

QString datePart(const QDateTime& t) {
    const QDate d = t.date();
    return QStringLiteral("%1年%2月%3日").arg(d.year()).arg(d.month()).arg(d.day());
}

QString timePart(const QDateTime& t) {
    const QTime time = t.time();
    if (time.second() != 0)
        return QStringLiteral("%1时%2分%3秒").arg(time.hour()).arg(time.minute()).arg(time.second());
    if (time.minute() != 0)
        return QStringLiteral("%1时%2分").arg(time.hour()).arg(time.minute());
    if (time.hour() != 0)
        return QStringLiteral("%1时").arg(time.hour());
    return {};
}

QDateTime parse(const QString& text) {
    static const QRegularExpression pattern(
        QStringLiteral("^(\\d{1,4})年(\\d{1,2})月(\\d{1,2})日(?:(\\d{1,2})时(?:(\\d{1,2})分(?:(\\d{1,2})秒)?)?)?$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return {};
    const auto number = [&match](int group) { return match.captured(group).toInt(); };
    const QDateTime time(QDate(number(1), number(2), number(3)), QTime(number(4), number(5), number(6)));
    // Each part is written only when it and the parts after it are not all zero.
    return full(time) == text ? time : QDateTime();
}

} // namespace datetimetext
