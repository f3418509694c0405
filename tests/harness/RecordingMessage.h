#pragma once

#include <functional>
#include <string>
#include <vector>

#include "harness/VirtualClock.h"
#include "seams/ModalMessage.h"

namespace harness {

// A modal message that records its texts. While it is "up" the test may let virtual time pass
// (the operator reads the message), as the real toolkit keeps delivering timers and serial
// notifications during a modal message. A message shown while another is up is recorded as
// nested and returns at once: the logic must never stack messages, and a test asserts that with
// NestedCount() instead of the harness recursing until the stack runs out.
class RecordingMessage : public seams::ModalMessage {
public:
    struct Shown {
        Micros at;
        std::string text;
        bool nested = false;
    };

    explicit RecordingMessage(VirtualClock& clock) : clock_(clock) {}

    // How long the operator takes to press OK; events due meanwhile run inside Show.
    void SetReadingTime(Micros readingTime) { readingTime_ = readingTime; }

    void Show(std::string_view text) override {
        shown_.push_back({clock_.Now(), std::string(text), up_});
        if (up_) {
            ++nested_;
            return;
        }
        up_ = true;
        if (readingTime_ > 0) {
            clock_.AdvanceBy(readingTime_);
        }
        up_ = false;
    }

    const std::vector<Shown>& Messages() const { return shown_; }
    // Messages shown while another one was still up.
    int NestedCount() const { return nested_; }
    bool IsUp() const { return up_; }
    void ClearMessages() { shown_.clear(); }

private:
    VirtualClock& clock_;
    Micros readingTime_ = 0;
    bool up_ = false;
    int nested_ = 0;
    std::vector<Shown> shown_;
};

}  // namespace harness
