// A version leaves the outbox only after the server committed it; a push cut off before its answer
// is pushed again and found by its key, so nothing is lost and nothing doubled.
#include "office/Sync.h"

#include "office/OfficeServer.h"
#include "office/Outbox.h"
#include "office/Push.h"

#include <QSet>

using namespace archive;

namespace office {

namespace {

constexpr int kBatch = 16;
constexpr qint64 kBatchBytes = 64 * 1024 * 1024;

Error local(const sql::Error& error) {
    return {Failure::LocalOutbox, error.text};
}

// Failures that concern every version alike end the run; others are the version's own.
bool endsRun(Failure failure) {
    return failure == Failure::Unreachable || failure == Failure::DiskFull || failure == Failure::Stopped ||
           failure == Failure::LoginRefused || failure == Failure::SchemaMissing || failure == Failure::SchemaTooOld ||
           failure == Failure::SchemaTooNew;
}

} // namespace

SyncResult syncNow(const QString& programDir, const std::atomic_bool& stop) {
    SyncResult result;
    Outbox outbox(programDir);
    const auto finish = [&](const Error& error) {
        if (!error.ok())
            result.error = error;
        if (const sql::Error counted = outbox.waiting(&result.waiting); !counted && result.error.ok())
            result.error = local(counted);
        return result;
    };
    if (const sql::Error taken = outbox.catchUp(); !taken)
        return finish(local(taken));
    int waiting = 0;
    if (const sql::Error counted = outbox.waiting(&waiting); !counted)
        return finish(local(counted));
    if (waiting == 0)
        return finish({});
    pg::Connection connection(&stop);
    ServerFacts facts;
    if (Error error = connectOffice(programDir, connection, &facts); !error)
        return finish(error);
    QSet<qint64> tried;
    for (;;) {
        QList<OutboxItem> items;
        if (const sql::Error read = outbox.next(kBatch, kBatchBytes, &items); !read)
            return finish(local(read));
        // Versions refused in this run come last; when only they are left, the run is over.
        if (items.isEmpty() || tried.contains(items.first().id))
            break;
        QList<Version> versions;
        QList<qint64> ids;
        for (const OutboxItem& item : items) {
            if (tried.contains(item.id))
                continue;
            tried.insert(item.id);
            versions << versionOf(item, outbox, programDir, facts.evidenceLimit, stop);
            ids << item.id;
        }
        // The batch in one transaction, which a desktop's first upload of its whole archive needs to
        // be quick; when the server refuses it, each version on its own finds which it refused.
        if (versions.size() > 1) {
            const Error error = pushVersions(connection, versions, stop);
            if (!error.ok() && endsRun(error.failure))
                return finish(error);
            if (error.ok()) {
                if (const sql::Error noted = outbox.done(ids); !noted)
                    return finish(local(noted));
                result.pushed += int(ids.size());
                continue;
            }
        }
        for (const Version& version : versions) {
            if (Error error = pushVersion(connection, version, stop); !error) {
                if (endsRun(error.failure))
                    return finish(error);
                ++result.refused;
                result.error = error;
                if (const sql::Error noted = outbox.failed(version.outboxId, error.text()); !noted)
                    return finish(local(noted));
                continue;
            }
            if (const sql::Error noted = outbox.done({version.outboxId}); !noted)
                return finish(local(noted));
            ++result.pushed;
        }
    }
    return finish({});
}

PushLoop::PushLoop(QString programDir, std::function<void(const SyncResult&)> report,
                   std::chrono::milliseconds firstRetry, std::chrono::milliseconds lastRetry,
                   std::chrono::milliseconds idle)
    : m_programDir(std::move(programDir)), m_report(std::move(report)), m_firstRetry(firstRetry),
      m_lastRetry(lastRetry), m_idle(idle), m_thread([this] { run(); }) {}

PushLoop::~PushLoop() {
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void PushLoop::wake() {
    {
        const std::lock_guard lock(m_mutex);
        m_woken = true;
    }
    m_changed.notify_all();
}

void PushLoop::run() {
    std::chrono::milliseconds retry = m_firstRetry;
    while (!m_stop) {
        {
            const std::lock_guard lock(m_mutex);
            m_woken = false;
        }
        const SyncResult result = syncNow(m_programDir, m_stop);
        if (m_stop)
            break;
        m_report(result);
        std::chrono::milliseconds pause = m_idle;
        if (result.error.passes()) {
            pause = retry;
            retry = std::min(retry * 2, m_lastRetry);
        } else {
            retry = m_firstRetry;
        }
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, pause, [this] { return m_stop || m_woken; });
    }
}

} // namespace office
