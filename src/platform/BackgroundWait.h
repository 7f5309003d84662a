// Runs blocking work (a transfer, an export) on a worker thread while the GUI thread keeps processing events.
#pragma once

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>

#include <atomic>
#include <optional>
#include <thread>
#include <type_traits>

namespace background {

// Runs work(cancel) on its own thread and returns its result. Meanwhile the caller's thread runs a
// local event loop, so windows repaint and timers tick; callers guard against being re-entered.
// cancel turns true when the caller's event loops are told to quit (the program is ending), and the
// work should then stop as soon as it can.
template <typename Work>
std::invoke_result_t<Work, const std::atomic_bool&> waitWhileProcessingEvents(Work&& work)
{
    using Result = std::invoke_result_t<Work, const std::atomic_bool&>;
    std::atomic_bool cancel = false;
    if (!QCoreApplication::instance())
        return work(cancel);

    std::optional<Result> result;
    std::atomic_bool done = false;
    QEventLoop loop;
    std::thread worker([&] {
        result.emplace(work(cancel));
        done = true;
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    if (!done)
        cancel = true;
    worker.join();
    return std::move(*result);
}

} // namespace background
