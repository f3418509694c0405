#pragma once

#include <functional>
#include <string>
#include <vector>

#include "harness/VirtualClock.h"
#include "ui/ModalMessage.h"

namespace harness {

// A modal message that records its texts. While it is "up" the test may let virtual time pass
// (the operator reads the message), as the real toolkit keeps delivering timers and serial
// notifications during a modal message.
class RecordingMessage : public ui::ModalMessage {
public:
    struct Shown {
        Micros at;
        std::string text;
    };

    explicit RecordingMessage(VirtualClock& clock) : clock_(clock) {}

    // How long the operator takes to press OK; events due meanwhile run inside Show.
    void SetReadingTime(Micros readingTime) { readingTime_ = readingTime; }

    void Show(std::string_view text) override {
        shown_.push_back({clock_.Now(), std::string(text)});
        if (readingTime_ > 0) {
            clock_.AdvanceBy(readingTime_);
        }
    }

    const std::vector<Shown>& Messages() const { return shown_; }

private:
    VirtualClock& clock_;
    Micros readingTime_ = 0;
    std::vector<Shown> shown_;
};

}  // namespace harness
