#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

// The contract every window timer keeps, whatever toolkit or system it ticks on. A suite
// instantiates it with a parameter type that names the timer and the event loop its ticks come
// from:
//   struct P {
//       using Timer = ...;  // Timer(int intervalMs, std::function<void()> onTick = {})
//       static void Wait(int ms);
//       static bool WaitFor(const std::function<bool()>& done, int ms);
//   };
namespace contract {

// Ticks in milliseconds since the log was made. A window timer never ticks early; how late it
// may be depends on the machine's load, so only generous upper bounds are checked.
struct TickLog {
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    std::vector<std::int64_t> at;
    std::int64_t Elapsed() const {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now() - start)
            .count();
    }
    void Tick() { at.push_back(Elapsed()); }
};

template <typename P>
class WindowTimerContract : public ::testing::Test {};
TYPED_TEST_SUITE_P(WindowTimerContract);

TYPED_TEST_P(WindowTimerContract, TicksOnItsDeadlinesNeverEarly) {
    TickLog log;
    typename TypeParam::Timer timer(50, [&] { log.Tick(); });
    EXPECT_FALSE(timer.IsRunning());
    timer.Start();
    EXPECT_TRUE(timer.IsRunning());
    ASSERT_TRUE(TypeParam::WaitFor([&] { return log.at.size() >= 6; }, 3000));
    timer.Stop();
    // Tick n is due n intervals after the start: never before, and a late tick does not push
    // the later deadlines back (the sixth tick is not six latenesses late).
    for (std::size_t n = 0; n < 6; ++n) {
        EXPECT_GE(log.at[n], static_cast<std::int64_t>(50 * (n + 1))) << "tick " << n + 1;
    }
    EXPECT_LT(log.at[0], 500);
    EXPECT_LT(log.at[5] - log.at[0], 250 + 200);
}

TYPED_TEST_P(WindowTimerContract, StartingARunningTimerKeepsItsPhase) {
    // A burst of starts, four a period for a second, as an operator clicking fast: the ticks
    // keep coming. A start that restarted the interval would hold every one of them off.
    TickLog log;
    typename TypeParam::Timer timer(200, [&] { log.Tick(); });
    timer.Start();
    while (log.Elapsed() < 1000) {
        TypeParam::Wait(50);
        timer.Start();
    }
    EXPECT_GE(log.at.size(), 2U);
    EXPECT_TRUE(timer.IsRunning());
}

TYPED_TEST_P(WindowTimerContract, StopThenStartRestartsTheFullInterval) {
    TickLog log;
    typename TypeParam::Timer timer(200, [&] { log.Tick(); });
    timer.Start();
    TypeParam::Wait(120);
    timer.Stop();
    const std::int64_t restartedAt = log.Elapsed();
    const std::size_t before = log.at.size();
    timer.Start();
    ASSERT_TRUE(TypeParam::WaitFor([&] { return log.at.size() > before; }, 3000));
    EXPECT_GE(log.at[before], restartedAt + 200);
}

TYPED_TEST_P(WindowTimerContract, StopEndsTheTicksAndAHandlerMayStopItsOwnTimer) {
    TickLog log;
    typename TypeParam::Timer stopped(20, [&] { log.Tick(); });
    stopped.Start();
    stopped.Stop();
    EXPECT_FALSE(stopped.IsRunning());

    // The end-of-reply timer stops itself at its tick: one tick per start.
    int ownTicks = 0;
    typename TypeParam::Timer selfStopping(20);
    selfStopping.OnTick([&] {
        ++ownTicks;
        selfStopping.Stop();
    });
    selfStopping.Start();
    TypeParam::Wait(150);
    EXPECT_TRUE(log.at.empty());
    EXPECT_EQ(ownTicks, 1);
    EXPECT_FALSE(selfStopping.IsRunning());
}

REGISTER_TYPED_TEST_SUITE_P(WindowTimerContract, TicksOnItsDeadlinesNeverEarly,
                            StartingARunningTimerKeepsItsPhase,
                            StopThenStartRestartsTheFullInterval,
                            StopEndsTheTicksAndAHandlerMayStopItsOwnTimer);

}  // namespace contract
