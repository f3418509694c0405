#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "harness/FakeSerialControl.h"
#include "harness/VirtualClock.h"
#include "sim/Reply.h"
#include "sim/RequestFramer.h"
#include "sim/Transmitter.h"

namespace harness {

// The simulated transmitter on the far end of a FakeSerialControl, in virtual time. Frames the
// logic writes go out at 115200 baud (about 87 us a byte, one write after the other), reach the
// device when their last byte has left, and each chunk of the reply is delivered as one receive
// notification when its last byte arrives: request wire time + response delay + reply wire time
// after the write, for an undisturbed reply.
class SimulatedDevice {
public:
    struct Delivery {
        Micros at;
        Bytes bytes;
    };

    SimulatedDevice(VirtualClock& clock, FakeSerialControl& serial);

    sim::Transmitter& Device() { return device_; }
    // Every chunk scheduled for delivery, in the order scheduled (a closed port drops them).
    const std::vector<Delivery>& Deliveries() const { return deliveries_; }
    // Keeps no record of deliveries (a long run would grow it without end).
    void KeepNoDeliveries() { keepDeliveries_ = false; }
    // Called with every request frame the device takes, right after it has handled it.
    void OnRequest(std::function<void(std::span<const std::uint8_t>)> observer) {
        onRequest_ = std::move(observer);
    }

private:
    void Hear(std::span<const std::uint8_t> bytes);
    void TakeFrames();

    // Modbus RTU ends a frame after 3.5 characters of silence, fixed at 1.75 ms above 19200 baud.
    static constexpr Micros kSilenceUs = 1750;

    VirtualClock& clock_;
    FakeSerialControl& serial_;
    sim::Transmitter device_;
    sim::RequestFramer framer_{kSilenceUs};
    sim::Reply reply_;
    Micros lineFreeAt_ = 0;
    std::vector<Delivery> deliveries_;
    bool keepDeliveries_ = true;
    std::function<void(std::span<const std::uint8_t>)> onRequest_;
};

}  // namespace harness
