#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <functional>

namespace qt {

// The descriptors of the events on the wire's timeline: the serial port's received bytes and the
// window timers' expiries (Linux). A timer that wakes ahead of its deadline and waits out the
// rest on the window's thread waits here, so that an event which comes meanwhile is still taken
// before the tick, through the event loop, as it would have been had the timer woken on time.
class WireEvents {
public:
    static constexpr std::size_t kCapacity = 6;

    // A source gives its descriptor when asked, or -1 while it has none (a closed port).
    using Source = std::function<int()>;

    // False when the table is full.
    bool Add(Source source);

    // Waits until `own` is readable or another source has an event, for at most `limit`. False
    // when another source has an event, even if `own` is readable too: the caller then returns to
    // the event loop, which takes that event first. True otherwise.
    bool WaitFor(int own, std::chrono::nanoseconds limit) const;

private:
    std::array<Source, kCapacity> sources_{};
    std::size_t count_ = 0;
};

}  // namespace qt
