#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "device/RegisterTable.h"
#include "sim/Faults.h"
#include "sim/Reply.h"

namespace sim {

// Registers 0 to the firmware version.
inline constexpr std::size_t kRegisterCount = device::kVersionRegister + 1;

// Holding registers the device gives a meaning to, from the device's register table. 32-bit
// values take two registers, the lower-numbered one holding the most significant half.
namespace reg {
constexpr std::size_t Named(std::string_view name) {
    return device::RegisterNamed(name).reg;
}
inline constexpr std::size_t kCommAddress = Named("CommAddress");
inline constexpr std::size_t kBaudRate = Named("BaudRate");
inline constexpr std::size_t kParity = Named("Parity");
inline constexpr std::size_t kProtocol = Named("Protocol");
inline constexpr std::size_t kTurnCountMode = Named("TurnCountMode");  // 0 single, 1 multi-turn
inline constexpr std::size_t kWorkMode = Named("WorkMode");
// 0 clockwise (up), 1 counter-clockwise
inline constexpr std::size_t kRotationDirection = Named("RotationDirection");
inline constexpr std::size_t kResolutionPerTurn = Named("ResolutionPerTurn");
inline constexpr std::size_t kGearSelection = Named("GearSelection");
inline constexpr std::size_t kCurrentUpperLimit = Named("CurrentUpperLimit");
inline constexpr std::size_t kCurrentLowerLimit = Named("CurrentLowerLimit");
inline constexpr std::size_t kCycleValue = Named("CycleValue");
inline constexpr std::size_t kReciprocationValue = Named("ReciprocationValue");
inline constexpr std::size_t kUpperLimitPosition = Named("UpperLimitPosition");
inline constexpr std::size_t kLowerLimitPosition = Named("LowerLimitPosition");
inline constexpr std::size_t kPresetPosition = Named("PresetPosition");
inline constexpr std::size_t kCurrentPosition = Named("CurrentPosition");
inline constexpr std::size_t kStatusWords = device::kStatusRegister;  // three registers
inline constexpr std::size_t kFirmwareVersion = device::kVersionRegister;
// Registers from here on are measured or fixed by the device and refuse writes.
inline constexpr std::size_t kFirstReadOnly = kCurrentPosition;
}  // namespace reg

// The position transmitter as a Modbus RTU slave: 28 holding registers, a shaft that turns, and
// switchable faults. It answers function 0x03 and 0x10 addressed to 0 or to its own address
// (register 0), and stays silent for other addresses and for frames with a wrong checksum.
//
// Time is handed in (microseconds on any monotonic scale), so the same device runs in virtual
// time under test and in real time behind a pseudo-terminal. Not thread-safe; nothing is
// allocated while answering.
class Transmitter {
public:
    // Factory state: the values the configuration window starts with, position 0, still shaft.
    Transmitter();

    // Moves the device's clock on; the shaft turns meanwhile. Earlier times are ignored.
    void AdvanceTo(std::int64_t nowUs);
    std::int64_t Now() const { return nowUs_; }

    // Answers one complete request frame taken at nowUs (its last byte, or the silence after it).
    // `reply` is overwritten, and left empty when the device says nothing.
    void Handle(std::span<const std::uint8_t> request, std::int64_t nowUs, Reply& reply);

    // Register 0..27 as a read would return it now.
    std::uint16_t Register(std::size_t index) const;
    // Stores a raw value, any register, no checks: the way to show the master odd values (6 in
    // the protocol register, 80 00 00 00 in the position). Registers 21-22 move the live
    // position, which turns on from there.
    void SetRegister(std::size_t index, std::uint16_t value);

    std::uint32_t Position() const;
    void SetPosition(std::uint32_t position);
    void SetSpeed(std::uint32_t countsPerSecond);
    std::uint32_t Speed() const { return speed_; }

    const Faults& GetFaults() const { return faults_; }
    // Replaces every fault switch and restarts the count for corruptEvery.
    void SetFaults(const Faults& faults);

private:
    // The longest answer: all 28 registers, 5 + 2 * 28 bytes.
    static constexpr std::size_t kMaxAnswer = 5 + 2 * kRegisterCount;
    using Answer = std::array<std::uint8_t, kMaxAnswer>;

    // Builds the answer to a well-formed request; returns its length.
    std::size_t Execute(std::span<const std::uint8_t> request, Answer& answer);
    std::size_t ReadRegisters(std::span<const std::uint8_t> request, Answer& answer) const;
    std::size_t WriteRegisters(std::span<const std::uint8_t> request, Answer& answer);
    // Lays the answer out on the line as the fault switches say.
    void Send(std::span<std::uint8_t> answer, Reply& reply);
    void AppendNoise(std::int64_t startUs, Reply& reply);
    // Restarts the position's time origin at now, so that what changes next (speed, direction,
    // turn mode, resolution) applies from now on only.
    void Rebase();

    std::array<std::uint16_t, kRegisterCount> registers_{};
    std::uint32_t origin_ = 0;  // the position at originUs_
    std::int64_t originUs_ = 0;
    std::int64_t nowUs_ = 0;
    std::uint32_t speed_ = 0;
    Faults faults_;
    std::uint32_t repliesSent_ = 0;
    std::uint32_t noiseState_ = 0x2545F491;
};

}  // namespace sim
