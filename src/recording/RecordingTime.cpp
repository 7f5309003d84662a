// Counting and showing the elapsed recording time.
#include "recording/RecordingTime.h"

void RecordingTime::advance() {
    if (++seconds == 60) {
        seconds = 0;
        if (++minutes == 60) {
            minutes = 0;
            ++hours;
        }
    }
}

QString RecordingTime::text() const {
    return QStringLiteral("%1:%2:%3").arg(hours).arg(minutes).arg(seconds);
}

QString RecordingTime::text(qint64 seconds) {
    return RecordingTime{int(seconds / 3600), int(seconds / 60 % 60), int(seconds % 60)}.text();
}
