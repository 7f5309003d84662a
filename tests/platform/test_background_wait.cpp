// Waiting for blocking work on a worker thread while the GUI thread's event loop keeps running.
#include "platform/BackgroundWait.h"

#include <QCoreApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace std::chrono_literals;

namespace {

TEST(BackgroundWait, EventsAreHandledWhileTheWorkRuns) {
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(5);
    const std::thread::id caller = std::this_thread::get_id();
    std::thread::id worker;
    const int result = background::waitWhileProcessingEvents([&](const std::atomic_bool& cancel) {
        worker = std::this_thread::get_id();
        std::this_thread::sleep_for(300ms);
        return cancel ? -1 : 42;
    });
    EXPECT_EQ(result, 42);
    EXPECT_NE(worker, caller);
    EXPECT_GT(ticks, 10);
}

TEST(BackgroundWait, WorkThatEndsAtOnceStillReturnsItsResult) {
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(background::waitWhileProcessingEvents([i](const std::atomic_bool&) { return i; }), i);
}

// Last in this file: once the application is told to quit, its event loops stay closed.
TEST(BackgroundWait, QuittingTheApplicationCancelsTheWork) {
    QTimer::singleShot(100, [] { QCoreApplication::exit(0); });
    const auto start = std::chrono::steady_clock::now();
    const bool sawCancel = background::waitWhileProcessingEvents([](const std::atomic_bool& cancel) {
        const auto limit = std::chrono::steady_clock::now() + 20s;
        while (!cancel && std::chrono::steady_clock::now() < limit)
            std::this_thread::sleep_for(10ms);
        return bool(cancel);
    });
    EXPECT_TRUE(sawCancel);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
}

} // namespace
