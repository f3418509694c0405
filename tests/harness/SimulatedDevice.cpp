#include "harness/SimulatedDevice.h"

#include <algorithm>

#include "sim/LineTiming.h"

namespace harness {

SimulatedDevice::SimulatedDevice(VirtualClock& clock, FakeSerialControl& serial)
    : clock_(clock), serial_(serial) {
    serial_.OnWrite([this](std::span<const std::uint8_t> bytes) { Hear(bytes); });
}

void SimulatedDevice::Hear(std::span<const std::uint8_t> bytes) {
    // A write queued while an earlier one is still on the line follows it.
    const Micros start = std::max(clock_.Now(), lineFreeAt_);
    lineFreeAt_ = start + sim::WireTimeUs(bytes.size());
    clock_.At(lineFreeAt_, [this, heard = Bytes(bytes.begin(), bytes.end())] {
        framer_.Push(heard, clock_.Now());
        TakeFrames();
    });
}

void SimulatedDevice::TakeFrames() {
    const Micros now = clock_.Now();
    while (const auto frame = framer_.Next(now)) {
        device_.Handle(*frame, now, reply_);
        if (onRequest_) {
            onRequest_(*frame);
        }
        for (std::size_t chunk = 0; chunk < reply_.ChunkCount(); ++chunk) {
            const auto bytes = reply_.Bytes(chunk);
            Delivery delivery{now + reply_.ArrivalUs(chunk), Bytes(bytes.begin(), bytes.end())};
            serial_.DeliverAt(delivery.at, delivery.bytes);
            if (keepDeliveries_) {
                deliveries_.push_back(std::move(delivery));
            }
        }
    }
    // Bytes that are not a whole request yet: look again when the silence has closed them.
    if (const auto deadline = framer_.Deadline()) {
        clock_.At(*deadline, [this] { TakeFrames(); });
    }
}

}  // namespace harness
