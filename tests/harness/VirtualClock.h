#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <utility>

namespace harness {

using Micros = std::int64_t;
constexpr Micros Ms(std::int64_t ms) {
    return ms * 1000;
}

// Virtual time for the logic's events: timers, bytes on the wire, clicks. Nothing happens until a
// test advances the clock; events due at the same instant run in the order they were scheduled.
class VirtualClock {
public:
    using EventId = std::uint64_t;

    Micros Now() const { return now_; }

    // Runs `action` at time `at` (not before now).
    EventId At(Micros at, std::function<void()> action);
    EventId After(Micros delay, std::function<void()> action) {
        return At(now_ + delay, std::move(action));
    }
    void Cancel(EventId id);

    // Runs every event due up to and including `until`, then sets the time to `until`.
    void AdvanceTo(Micros until);
    void AdvanceBy(Micros delta) { AdvanceTo(now_ + delta); }
    // Runs every event due at the current instant (including ones they schedule for it).
    void RunDue() { AdvanceTo(now_); }

    bool HasPendingEvents() const { return !events_.empty(); }

private:
    Micros now_ = 0;
    EventId nextId_ = 1;
    // Keyed by (time, id): time order, and scheduling order within an instant.
    std::map<std::pair<Micros, EventId>, std::function<void()>> events_;
    std::map<EventId, Micros> whenOf_;
};

}  // namespace harness
