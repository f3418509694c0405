#include "app/QtTimer.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTest>
#include <vector>

namespace {

// Ticks in milliseconds since the clock was started. A precise timer never ticks early; how late
// it may be depends on the machine's load, so only generous upper bounds are checked.
struct TickLog {
    QElapsedTimer clock;
    std::vector<qint64> at;
    TickLog() { clock.start(); }
    void Tick() { at.push_back(clock.elapsed()); }
};

TEST(QtTimer, TicksEveryIntervalNeverEarly) {
    TickLog log;
    app::QtTimer timer(50, [&] { log.Tick(); });
    EXPECT_FALSE(timer.IsRunning());
    timer.Start();
    EXPECT_TRUE(timer.IsRunning());
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.at.size() >= 3; }, 2000));
    EXPECT_GE(log.at[0], 50);
    EXPECT_GE(log.at[1] - log.at[0], 45);  // the next tick is due one interval after the last
    EXPECT_GE(log.at[2], 150);
    EXPECT_LT(log.at[0], 500);
}

TEST(QtTimer, StartingARunningTimerRestartsItsInterval) {
    TickLog log;
    app::QtTimer timer(50, [&] { log.Tick(); });
    timer.Start();
    QTest::qWait(30);
    const qint64 restartedAt = log.clock.elapsed();
    timer.Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !log.at.empty(); }, 2000));
    EXPECT_GE(log.at[0], restartedAt + 50);
}

TEST(QtTimer, StopEndsTheTicksAndAHandlerMayStopItsOwnTimer) {
    TickLog log;
    app::QtTimer stopped(20, [&] { log.Tick(); });
    stopped.Start();
    stopped.Stop();
    EXPECT_FALSE(stopped.IsRunning());

    // The end-of-reply timer stops itself at its tick: one tick per start.
    int ownTicks = 0;
    app::QtTimer selfStopping(20);
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

}  // namespace
