// The signals with which the system ends a program (SIGTERM at a logout or shutdown, SIGHUP when its
// terminal goes, SIGINT), turned into an event of the GUI thread so that the program ends in order.
#pragma once

#include <QObject>

class QSocketNotifier;

// One at a time: while it exists, the three signals reach received() instead of ending the process.
class TerminationSignals final : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    // Puts the default actions back; once a signal has been received, the signals are ignored
    // instead, for the rest of the process's end.
    ~TerminationSignals() override;

signals:
    void received(int signal);

private:
    QSocketNotifier* m_notifier = nullptr;
    bool m_received = false;
};
