#include "sim/InProcessPort.h"

#include <algorithm>
#include <chrono>

#include "product/Texts.h"

namespace sim {

std::int64_t InProcessPort::SteadyMicros() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

rtu::PortDetails InProcessPort::DetailsOf(std::string_view /*name*/) const {
    rtu::PortDetails details;
    details.description = product::kDemoPortDescription;
    return details;
}

InProcessPort::InProcessPort(seams::Timer& pace, Clock now)
    : pace_(pace), clock_(std::move(now)), start_(clock_()) {}

std::int64_t InProcessPort::NowUs() const {
    return clock_() - start_;
}

rtu::SerialError InProcessPort::Open() {
    if (open_) {
        return rtu::SerialError::Busy;
    }
    open_ = true;
    received_.Clear();
    line_.Reset();
    return rtu::SerialError::None;
}

void InProcessPort::Close() {
    open_ = false;
    received_.Clear();
    line_.Reset();
    pace_.Stop();
}

void InProcessPort::Update(const std::function<void(Transmitter&)>& change) {
    line_.Device().AdvanceTo(NowUs());
    change(line_.Device());
}

bool InProcessPort::Write(std::span<const std::uint8_t> bytes) {
    if (!open_) {
        return false;
    }
    line_.Hear(bytes, NowUs());
    KeepPace();
    return true;
}

std::size_t InProcessPort::Read(std::span<std::uint8_t> into) {
    return received_.Take(into);
}

void InProcessPort::Tick() {
    if (!open_) {
        pace_.Stop();
        return;
    }
    const std::int64_t now = NowUs();
    line_.TakeFrames(now);
    const std::size_t before = received_.Size();
    line_.WriteDue(now,
                   [this](std::span<const std::uint8_t> chunk) { return received_.Put(chunk); });
    KeepPace();
    if (received_.Size() > before && listener_ != nullptr) {
        listener_->OnBytesWaiting();
    }
}

void InProcessPort::KeepPace() {
    if (line_.NextWakeUs() >= 0) {
        pace_.Start();  // a running timer keeps its phase
    } else {
        pace_.Stop();
    }
}

}  // namespace sim
