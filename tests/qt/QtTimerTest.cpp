#include "app/QtTimer.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTest>
#include <chrono>
#include <thread>
#include <vector>

#include "app/WindowTimer.h"

namespace {

// Ticks in milliseconds since the clock was started. A window timer never ticks early; how late
// it may be depends on the machine's load, so only generous upper bounds are checked.
struct TickLog {
    QElapsedTimer clock;
    std::vector<qint64> at;
    TickLog() { clock.start(); }
    void Tick() { at.push_back(clock.elapsed()); }
};

// Both window timers keep the same contract: QTimer's everywhere, the timerfd one on Linux.
template <typename T>
class WindowTimerTest : public ::testing::Test {};
#ifdef __linux__
using Adapters = ::testing::Types<app::QtTimer, app::TimerFdTimer>;
#else
using Adapters = ::testing::Types<app::QtTimer>;
#endif
TYPED_TEST_SUITE(WindowTimerTest, Adapters);

TYPED_TEST(WindowTimerTest, TicksOnItsDeadlinesNeverEarly) {
    TickLog log;
    TypeParam timer(50, [&] { log.Tick(); });
    EXPECT_FALSE(timer.IsRunning());
    timer.Start();
    EXPECT_TRUE(timer.IsRunning());
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.at.size() >= 6; }, 3000));
    timer.Stop();
    // Tick n is due n intervals after the start: never before, and a late tick does not push
    // the later deadlines back (the sixth tick is not six latenesses late).
    for (std::size_t n = 0; n < 6; ++n) {
        EXPECT_GE(log.at[n], static_cast<qint64>(50 * (n + 1))) << "tick " << n + 1;
    }
    EXPECT_LT(log.at[0], 500);
    EXPECT_LT(log.at[5] - log.at[0], 250 + 200);
}

TYPED_TEST(WindowTimerTest, StartingARunningTimerKeepsItsPhase) {
    // A burst of starts, four a period for a second, as an operator clicking fast: the ticks
    // keep coming. A start that restarted the interval would hold every one of them off.
    TickLog log;
    TypeParam timer(200, [&] { log.Tick(); });
    timer.Start();
    while (log.clock.elapsed() < 1000) {
        QTest::qWait(50);
        timer.Start();
    }
    EXPECT_GE(log.at.size(), 2U);
    EXPECT_TRUE(timer.IsRunning());
}

TYPED_TEST(WindowTimerTest, StopThenStartRestartsTheFullInterval) {
    TickLog log;
    TypeParam timer(200, [&] { log.Tick(); });
    timer.Start();
    QTest::qWait(120);
    timer.Stop();
    const qint64 restartedAt = log.clock.elapsed();
    const std::size_t before = log.at.size();
    timer.Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.at.size() > before; }, 3000));
    EXPECT_GE(log.at[before], restartedAt + 200);
}

TYPED_TEST(WindowTimerTest, StopEndsTheTicksAndAHandlerMayStopItsOwnTimer) {
    TickLog log;
    TypeParam stopped(20, [&] { log.Tick(); });
    stopped.Start();
    stopped.Stop();
    EXPECT_FALSE(stopped.IsRunning());

    // The end-of-reply timer stops itself at its tick: one tick per start.
    int ownTicks = 0;
    TypeParam selfStopping(20);
    selfStopping.OnTick([&] {
        ++ownTicks;
        selfStopping.Stop();
    });
    selfStopping.Start();
    QTest::qWait(150);
    EXPECT_TRUE(log.at.empty());
    EXPECT_EQ(ownTicks, 1);
    EXPECT_FALSE(selfStopping.IsRunning());
}

#ifdef __linux__
TEST(TimerFdTimer, ALateWakeUpGivesOneTickAndTheNextStaysOnTheGrid) {
    // The first handler holds the thread for more than three intervals: the expiries that piled
    // up meanwhile give one tick, and the tick after it is due on the grid of the start.
    TickLog log;
    app::TimerFdTimer timer(40, [&] {
        log.Tick();
        if (log.at.size() == 1) {
            std::this_thread::sleep_for(std::chrono::milliseconds(130));
        }
    });
    timer.Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.at.size() >= 3; }, 3000));
    timer.Stop();
    // First tick at 40, handler until about 170: one tick for the expiries at 80..160 comes at
    // once, the next at 200. Made-up ticks would come back to back.
    EXPECT_GE(log.at[1], 170);
    EXPECT_GE(log.at[2], 200);
    EXPECT_GE(log.at[2] - log.at[1], 10);
}
#endif

}  // namespace
