// A connection lost on the way is made again for the next request; the server's version and the
// role are checked at each connect, as for a push.
#include "office/OfficeReader.h"

#include "office/OfficeServer.h"

#include <QMetaObject>

namespace office {

OfficeReader::OfficeReader(QString programDir) : m_programDir(std::move(programDir)), m_thread([this] { run(); }) {}

OfficeReader::~OfficeReader() {
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
        m_requests.clear();
    }
    m_changed.notify_all();
    m_thread.join();
}

void OfficeReader::ask(const QString& slot, Work work, QObject* receiver, Done done) {
    {
        const std::lock_guard lock(m_mutex);
        if (!slot.isEmpty())
            std::erase_if(m_requests, [&slot](const Request& waiting) { return waiting.slot == slot; });
        m_requests.push_back({slot, std::move(work), receiver, std::move(done)});
    }
    m_changed.notify_all();
}

void OfficeReader::run() {
    pg::Connection connection(&m_stop);
    for (;;) {
        Request request;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_stop || !m_requests.empty(); });
            if (m_stop)
                return;
            request = std::move(m_requests.front());
            m_requests.pop_front();
        }
        Error error;
        if (!connection.isOpen()) {
            ServerFacts facts;
            error = connectOffice(m_programDir, connection, &facts, false);
        }
        if (error.ok())
            error = request.work(connection, m_stop);
        // The next request connects anew rather than finding the same broken connection.
        if (!error.ok() && error.failure != Failure::Other && error.failure != Failure::PolicyDenied)
            connection.close();
        if (m_stop)
            return;
        QMetaObject::invokeMethod(
            request.receiver, [done = std::move(request.done), error] { done(error); }, Qt::QueuedConnection);
    }
}

} // namespace office
