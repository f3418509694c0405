#include "qt/QtTimer.h"

#include <gtest/gtest.h>

#include <sys/timerfd.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QTest>
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "contract/WindowTimerContract.h"
#include "qt/WindowTimer.h"

namespace {

using contract::TickLog;

// The timerfd timer as the program runs it: waking ahead of its deadlines and keeping the order
// of the wire's events.
class PunctualTimer : public qt::TimerFdTimer {
public:
    explicit PunctualTimer(int intervalMs, std::function<void()> onTick = {})
        : TimerFdTimer(intervalMs, std::move(onTick)) {
        KeepOrderWith(events_);
    }

private:
    qt::WireEvents events_;
};

// The window timers on Qt's event loop: QTimer's and the timerfd one.
template <typename T>
struct OnQtLoop {
    using Timer = T;
    static void Wait(int ms) { QTest::qWait(ms); }
    static bool WaitFor(const std::function<bool()>& done, int ms) {
        return QTest::qWaitFor(done, ms);
    }
};
using Adapters =
    ::testing::Types<OnQtLoop<qt::QtTimer>, OnQtLoop<qt::TimerFdTimer>, OnQtLoop<PunctualTimer>>;

TEST(TimerFdTimer, ALateWakeUpGivesOneTickAndTheNextStaysOnTheGrid) {
    // The first handler holds the thread for more than three intervals: the expiries that piled
    // up meanwhile give one tick, and the tick after it is due on the grid of the start.
    TickLog log;
    qt::TimerFdTimer timer(40, [&] {
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

TEST(TimerFdTimer, AnEventThatNeverStopsComingDoesNotHoldTheTicksOff) {
    // A source that always has an event (a port flooded with noise): the timer gives way to it
    // once per deadline and then ticks, on its deadline and never before it.
    std::array<int, 2> pipe{};
    ASSERT_EQ(::pipe(pipe.data()), 0);
    ASSERT_EQ(::write(pipe[1], "x", 1), 1);
    qt::WireEvents events;
    events.Add([fd = pipe[0]] { return fd; });
    TickLog log;
    qt::TimerFdTimer timer(20, [&] { log.Tick(); });
    timer.KeepOrderWith(events);
    timer.Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.at.size() >= 8; }, 3000));
    timer.Stop();
    for (std::size_t n = 0; n < 8; ++n) {
        EXPECT_GE(log.at[n], static_cast<std::int64_t>(20 * (n + 1))) << "tick " << n + 1;
    }
    EXPECT_LT(log.at[7] - log.at[0], 140 + 100);
    EXPECT_GT(timer.LeadNs(), 0);
    ::close(pipe[0]);
    ::close(pipe[1]);
}

TEST(TimerFdTimer, BytesThatComeWhileItWaitsOutItsLeadAreTakenBeforeTheTick) {
    // The received bytes stand in for a port: a timerfd of the test's own, read by the event loop.
    const int bytes = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    ASSERT_GE(bytes, 0);
    std::vector<std::string> order;
    QSocketNotifier port(bytes, QSocketNotifier::Read);
    QObject::connect(&port, &QSocketNotifier::activated, &port, [&] {
        std::uint64_t count = 0;
        (void)::read(bytes, &count, sizeof count);
        order.emplace_back("bytes");
    });
    qt::WireEvents events;
    events.Add([bytes] { return bytes; });
    qt::TimerFdTimer timer(20, [&] { order.emplace_back("tick"); });
    timer.KeepOrderWith(events);

    timespec start{};
    ::clock_gettime(CLOCK_MONOTONIC, &start);
    timer.Start();
    // The first wake-up comes 5 ms late, so the timer wakes 2 ms ahead of the second deadline,
    // its most. The bytes come 1 ms before that deadline, while it waits.
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
    itimerspec arrival{};
    arrival.it_value = start;
    arrival.it_value.tv_nsec += 39'000'000;
    if (arrival.it_value.tv_nsec >= 1'000'000'000) {
        arrival.it_value.tv_nsec -= 1'000'000'000;
        ++arrival.it_value.tv_sec;
    }
    ASSERT_EQ(::timerfd_settime(bytes, TFD_TIMER_ABSTIME, &arrival, nullptr), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return order.size() >= 3; }, 3000));
    timer.Stop();
    EXPECT_EQ(order, (std::vector<std::string>{"tick", "bytes", "tick"}));
    ::close(bytes);
}

TEST(WireEvents, TheOwnEventWinsOnlyWhenNoOtherCameFirst) {
    struct Case {
        const char* what;
        bool ownReady;
        bool otherReady;
        bool portOpen;
        bool ownFirst;
    };
    const Case cases[] = {
        {"the deadline came", true, false, true, true},
        {"bytes came first", false, true, true, false},
        {"both: which came first cannot be told, the other goes first", true, true, true, false},
        {"nothing within the limit", false, false, true, true},
        {"a closed port has no descriptor to wait on", false, true, false, true},
    };
    for (const Case& c : cases) {
        std::array<int, 2> own{};
        std::array<int, 2> port{};
        ASSERT_EQ(::pipe(own.data()), 0);
        ASSERT_EQ(::pipe(port.data()), 0);
        if (c.ownReady) {
            ASSERT_EQ(::write(own[1], "x", 1), 1);
        }
        if (c.otherReady) {
            ASSERT_EQ(::write(port[1], "x", 1), 1);
        }
        qt::WireEvents events;
        events.Add([&] { return c.portOpen ? port[0] : -1; });
        events.Add([&] { return own[0]; });  // the timer itself is one of the sources
        EXPECT_EQ(events.WaitFor(own[0], std::chrono::milliseconds(20)), c.ownFirst) << c.what;
        for (int fd : {own[0], own[1], port[0], port[1]}) {
            ::close(fd);
        }
    }
}

}  // namespace

namespace contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Qt, WindowTimerContract, Adapters);
}  // namespace contract
