// The office archive read beside a window: one connection on a thread of its own, which runs the
// window's requests in order and hands each answer back to the window's thread, so that a slow or
// silent server never freezes the window. A request waiting in a slot is replaced by a newer one of
// the same slot: only the search last typed is run.
#pragma once

#include "office/PgConnection.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace office {

class OfficeReader {
public:
    // Runs on the reader's thread with a connection to the office's server, checked on connect.
    using Work = std::function<Error(pg::Connection& connection, const std::atomic_bool& stop)>;
    // Runs on the receiver's thread with what work answered, or why no connection could be made.
    using Done = std::function<void(const Error& error)>;

    explicit OfficeReader(QString programDir);
    // Ends a wait for the server at once and drops the requests that wait.
    ~OfficeReader();
    OfficeReader(const OfficeReader&) = delete;
    OfficeReader& operator=(const OfficeReader&) = delete;

    // slot: empty, or the name of the kind of request that this one makes obsolete while it waits.
    // receiver outlives the reader.
    void ask(const QString& slot, Work work, QObject* receiver, Done done);

private:
    struct Request {
        QString slot;
        Work work;
        QObject* receiver;
        Done done;
    };
    void run();

    QString m_programDir;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Request> m_requests;
    std::atomic_bool m_stop = false;
    std::thread m_thread;
};

} // namespace office
