#include "runtime/offthread.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>

using namespace veltrin;
using namespace std::chrono_literals;

namespace {

// Records the thread it is destroyed on.
struct Marked {
    std::shared_ptr<std::atomic<bool>> destroyedOnGui;
    int value = 0;
    Marked(std::shared_ptr<std::atomic<bool>> flag, int v)
        : destroyedOnGui(std::move(flag))
        , value(v)
    {
    }
    Marked(Marked&&) = default;
    Marked& operator=(Marked&&) = default;
    ~Marked()
    {
        if (destroyedOnGui)
            *destroyedOnGui = QThread::currentThread() == QCoreApplication::instance()->thread();
    }
};

TEST(OffThread, returnsTheResultWhileTheEventLoopRuns)
{
    const std::thread::id gui = std::this_thread::get_id();
    std::atomic<bool> ranOffGui = false;
    std::atomic<bool> release = false;
    int ticks = 0;
    QTimer ticker;
    // The work ends only once the loop has run a few ticks: a wait that
    // blocked the loop would run into the bound instead.
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (++ticks == 3)
            release = true;
    });
    ticker.start(5);
    const std::optional<int> result = runOffThread<int>(
        [&] {
            ranOffGui = std::this_thread::get_id() != gui;
            while (!release)
                std::this_thread::sleep_for(1ms);
            return 42;
        },
        4000ms);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(*result, 42);
    EXPECT_TRUE(ranOffGui);
    EXPECT_GE(ticks, 3);
}

TEST(OffThread, workPastTheBoundIsDroppedOnItsOwnThread)
{
    auto destroyedOnGui = std::make_shared<std::atomic<bool>>(true);
    auto finished = std::make_shared<std::atomic<bool>>(false);
    std::atomic<bool> release = false;
    const std::optional<Marked> result = runOffThread<Marked>(
        [destroyedOnGui, &release] {
            while (!release)
                std::this_thread::sleep_for(1ms);
            return Marked(destroyedOnGui, 1);
        },
        50ms);
    EXPECT_FALSE(result.has_value());
    release = true;
    // The result, made after the wait gave up, goes with its thread.
    for (int i = 0; i < 2000 && destroyedOnGui.use_count() > 1; ++i)
        std::this_thread::sleep_for(1ms);
    EXPECT_EQ(destroyedOnGui.use_count(), 1);
    EXPECT_FALSE(*destroyedOnGui);
}

TEST(OffThread, workThatThrowsEndsTheWaitWithoutAResult)
{
    QElapsedTimer clock;
    clock.start();
    const std::optional<int> result
        = runOffThread<int>([]() -> int { throw std::runtime_error("no disc"); }, 4000ms);
    EXPECT_FALSE(result.has_value());
    // Told at once, not at the bound.
    EXPECT_LT(clock.elapsed(), 3000);
}

} // namespace
