// The date-time text of the status bar and of capture file names: "2012年11月30日9时5分7秒".
#pragma once

#include <QDateTime>
#include <QString>

namespace datetimetext {

QString datePart(const QDateTime& t);
// Seconds shown unless 0; then minutes unless 0; then the hour unless 0; else nothing.
QString timePart(const QDateTime& t);
inline QString full(const QDateTime& t) {
    return datePart(t) + timePart(t);
}
// The date and time a text of full() stands for; invalid for any other text.
QDateTime parse(const QString& text);

} // namespace datetimetext
