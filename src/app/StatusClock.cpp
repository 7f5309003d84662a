// Renders the status line every second from the status message.
#include "StatusClock.h"

#include "platform/Clock.h"
#include "platform/DateTimeText.h"
#include "platform/Services.h"
#include "ui/FormState.h"
#include "ui/MainWindow.h"

QString statusLine(const QString& message, const QDateTime& now) {
    return message + QString(14, ' ') + QStringLiteral("当前日期： ") + datetimetext::datePart(now) + QString(4, ' ') +
           datetimetext::timePart(now);
}

void StatusClock(MainWindow& w, Services& s, const FormState& form) {
    w.setStatusText(statusLine(form.status, s.clock.now()));
}
