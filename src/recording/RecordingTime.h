// The elapsed time of a recording as the panel counts it: hours, minutes and seconds, one tick a second.
#pragma once

#include <QString>

struct RecordingTime {
    int hours = 0;
    int minutes = 0;
    int seconds = 0;

    void reset() { *this = RecordingTime{}; }
    // One second more, carrying into minutes and hours; hours have no upper bound.
    void advance();
    // "h:m:s" in plain decimal without leading zeros, e.g. "0:1:0".
    QString text() const;
    // A length in seconds as that text.
    static QString text(qint64 seconds);
};
