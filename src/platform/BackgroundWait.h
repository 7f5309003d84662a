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
// work should then stop as soon as it can; *programEnding, when given, says whether that happened.
template <typename Work>
std::invoke_result_t<Work, const std::atomic_bool&> waitWhileProcessingEvents(Work&& work,
                                                                              bool* programEnding = nullptr) {
    using Result = std::invoke_result_t<Work, const std::atomic_bool&>;
    std::atomic_bool cancel = false;
    if (programEnding)
        *programEnding = false;
    if (!QCoreApplication::instance())
        return work(cancel);

    std::optional<Result> result;
    bool quitByWorker = false;
    QEventLoop loop;
    std::thread worker([&] {
        result.emplace(work(cancel));
        // Delivered only while the loop exists: a loop that ended otherwise drops it.
        QMetaObject::invokeMethod(
            &loop,
            [&] {
                quitByWorker = true;
                loop.quit();
            },
            Qt::QueuedConnection);
    });
    loop.exec();
    if (!quitByWorker)
        cancel = true;
    worker.join();
    if (programEnding)
        *programEnding = !quitByWorker;
    return std::move(*result);
}

} // namespace background
