// Draining the outbox: what custody.log recorded since the last time is taken, then pushed to the
// office's server version by version, oldest first. PushLoop does it again and again beside the
// program, waiting longer each time the server does not answer.
#pragma once

#include "office/OfficeError.h"

#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace office {

struct SyncResult {
    int pushed = 0;        // versions the server took in this run, or found it held already
    int waiting = 0;       // versions still in the outbox
    int refused = 0;       // versions the server refused in this run, which wait with their reason
    int setAside = 0;      // versions it can never store, named once in this run and pushed no more
    qint64 clockAhead = 0; // as ServerFacts says, when the run connected
    // Why the run stopped or what the server refused last; ok when everything went out.
    Error error;
};

// One run: the outbox fed from the log and pushed until it is empty, the server stops answering,
// or stop is set.
SyncResult syncNow(const QString& programDir, const std::atomic_bool& stop);

class PushLoop {
public:
    // report is called on the loop's thread after each run. A server that does not answer is tried
    // again after firstRetry, then after twice as long each time, up to lastRetry; after a run that
    // left nothing, the loop waits for wake() or idle.
    PushLoop(QString programDir, std::function<void(const SyncResult&)> report,
             std::chrono::milliseconds firstRetry = std::chrono::seconds(5),
             std::chrono::milliseconds lastRetry = std::chrono::minutes(5),
             std::chrono::milliseconds idle = std::chrono::minutes(1));
    // Ends a push under way at its next wait, and the loop with it.
    ~PushLoop();
    PushLoop(const PushLoop&) = delete;
    PushLoop& operator=(const PushLoop&) = delete;

    // Something new waits: run now, also during a back-off.
    void wake();

private:
    void run();

    QString m_programDir;
    std::function<void(const SyncResult&)> m_report;
    std::chrono::milliseconds m_firstRetry;
    std::chrono::milliseconds m_lastRetry;
    std::chrono::milliseconds m_idle;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_woken = false;
    std::atomic_bool m_stop = false;
    std::thread m_thread;
};

} // namespace office
