#include "harness/VirtualClock.h"

#include <algorithm>
#include <stdexcept>

namespace harness {

VirtualClock::EventId VirtualClock::At(Micros at, std::function<void()> action) {
    if (at < now_) {
        at = now_;
    }
    const EventId id = nextId_++;
    events_.emplace(std::make_pair(at, id), std::move(action));
    whenOf_.emplace(id, at);
    return id;
}

void VirtualClock::Cancel(EventId id) {
    const auto it = whenOf_.find(id);
    if (it == whenOf_.end()) {
        return;
    }
    events_.erase(std::make_pair(it->second, id));
    whenOf_.erase(it);
}

void VirtualClock::AdvanceTo(Micros until) {
    if (until < now_) {
        throw std::logic_error("VirtualClock: time does not run backwards");
    }
    while (!events_.empty() && events_.begin()->first.first <= until) {
        auto node = events_.extract(events_.begin());
        now_ = node.key().first;
        whenOf_.erase(node.key().second);
        node.mapped()();
    }
    // An event may itself have let time pass (an operator reading a modal message).
    now_ = std::max(now_, until);
}

}  // namespace harness
