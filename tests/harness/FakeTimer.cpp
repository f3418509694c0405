#include "harness/FakeTimer.h"

namespace harness {

void FakeTimer::Start() {
    ++starts_;
    if (running_) {
        return;  // keeps its phase
    }
    running_ = true;
    Schedule(clock_.Now() + interval_);
}

void FakeTimer::Stop() {
    Cancel();
    running_ = false;
}

void FakeTimer::Cancel() {
    if (pending_ != 0) {
        clock_.Cancel(pending_);
        pending_ = 0;
    }
}

void FakeTimer::Schedule(Micros at) {
    pending_ = clock_.At(at, [this, at] {
        pending_ = 0;
        Schedule(at + interval_);
        if (onTick_) {
            onTick_();
        }
    });
}

}  // namespace harness
