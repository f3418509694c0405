#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "link/ReceiveQueue.h"
#include "link/SerialControl.h"
#include "seams/Timer.h"
#include "sim/LineDevice.h"

namespace sim {

// The simulated transmitter behind a serial control in the program's own process: no port, no
// pseudo-terminal, so every platform has the demo. Requests reach the device as they are written;
// each chunk of a reply is received when its last byte would have arrived at 115200 baud, with
// the same faults as on a pseudo-terminal. A short timer paces it while anything is due, and its
// ticks come on the window's thread, like every other notification of a serial control.
class InProcessPort : public rtu::SerialControl {
public:
    // Microseconds on a monotonic clock.
    using Clock = std::function<std::int64_t()>;
    static std::int64_t SteadyMicros();

    // `pace` ticks every millisecond or so and calls Tick; `now` tells the time.
    explicit InProcessPort(seams::Timer& pace, Clock now = SteadyMicros);

    // The pace timer's tick: answers what is due and notifies the listener of received bytes.
    void Tick();
    // Runs `change` on the device, at the current time.
    void Update(const std::function<void(Transmitter&)>& change);

    void SetListener(rtu::SerialListener* listener) override { listener_ = listener; }
    // The device is not a port of the system; what it is goes in the port chooser's tooltip.
    std::vector<std::string> SystemPortNames() const override { return {}; }
    rtu::PortDetails DetailsOf(std::string_view name) const override;
    void SelectPort(std::string_view) override {}
    void SetLineSettings(const rtu::LineSettings&) override {}
    rtu::SerialError Open() override;
    bool IsOpen() const override { return open_; }
    void Close() override;
    std::size_t Read(std::span<std::uint8_t> into) override;
    void DiscardInput() override { received_.Clear(); }
    void DiscardOutput() override {}
    bool Write(std::span<const std::uint8_t> bytes) override;

    // What the receive queue holds at most; a chunk beyond it is lost, as on a full line.
    static constexpr std::size_t kQueueCapacity = 512;

private:
    void KeepPace();
    // The device's time: microseconds since the port was made.
    std::int64_t NowUs() const;

    seams::Timer& pace_;
    Clock clock_;
    std::int64_t start_;
    LineDevice line_;
    rtu::SerialListener* listener_ = nullptr;
    bool open_ = false;
    rtu::ReceiveQueue<kQueueCapacity> received_;
};

}  // namespace sim
