// The status bar clock: the status message followed by the current date and time.
#pragma once

#include <QDateTime>
#include <QString>

class MainWindow;
struct FormState;
struct Services;

// The text of status pane 0 for a status message at a moment.
QString statusLine(const QString& message, const QDateTime& now);

// One tick of 时钟2.
void StatusClock(MainWindow& w, Services& s, const FormState& form);
