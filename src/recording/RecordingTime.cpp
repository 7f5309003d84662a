// Counting and showing the elapsed recording time.
#include "recording/RecordingTime.h"

void RecordingTime::advance()
{
    if (++seconds == 60) {
        seconds = 0;
        if (++minutes == 60) {
            minutes = 0;
            ++hours;
        }
    }
}

QString RecordingTime::text() const
{
    return QStringLiteral("%1:%2:%3").arg(hours).arg(minutes).arg(seconds);
}
