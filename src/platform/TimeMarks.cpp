// Time marks as text: offsets written as hours, minutes and seconds, so the log reads as the list does.
#include "platform/TimeMarks.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

namespace timemarks {

QString offsetText(qint64 seconds) {
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

qint64 parseOffset(const QString& text) {
    static const QRegularExpression offset(QStringLiteral("^(\\d{2,}):([0-5]\\d):([0-5]\\d)$"));
    const QRegularExpressionMatch match = offset.match(text);
    if (!match.hasMatch())
        return -1;
    return match.captured(1).toLongLong() * 3600 + match.captured(2).toLongLong() * 60 + match.captured(3).toLongLong();
}

QString detailText(const QList<Mark>& marks) {
    QStringList lines;
    for (const Mark& mark : marks)
        lines << mark.line + u'\t' + offsetText(mark.seconds);
    return lines.join(u'\n');
}

QList<Mark> parseDetail(const QString& text) {
    QList<Mark> marks;
    for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts)) {
        const QStringList parts = line.split(u'\t');
        if (parts.size() != 2 || parts[0].isEmpty())
            continue;
        if (const qint64 seconds = parseOffset(parts[1]); seconds >= 0)
            marks << Mark{parts[0], seconds};
    }
    return marks;
}

QList<QPair<QString, QString>> journalDetails(const QList<Mark>& marks) {
    if (marks.isEmpty())
        return {};
    return {{kDetail, detailText(marks)}};
}

QStringList listedFields(const RecordingMark& mark) {
    return {mark.line, QFileInfo(mark.file).fileName(), offsetText(mark.seconds)};
}

} // namespace timemarks
