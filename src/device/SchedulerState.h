#pragma once

#include <cstdint>

namespace device {

// The values of PollState: what the next 200 ms tick sends. 6 and 10..255 are never set.
namespace poll {
inline constexpr std::uint8_t Idle = 0;               // port closed
inline constexpr std::uint8_t Loading = 1;            // configuration requested on every tick
inline constexpr std::uint8_t Polling = 2;            // live position on every tick
inline constexpr std::uint8_t ReadRequested = 3;      // one configuration read
inline constexpr std::uint8_t SaveRequested = 4;      // SaveConfigFrame is sealed, send once
inline constexpr std::uint8_t PresetRequested = 5;    // SetPositionFrame is sealed, send once
inline constexpr std::uint8_t LoadStatusPending = 7;  // status awaited during the load
inline constexpr std::uint8_t ReadStatusPending = 8;  // status awaited after a later read
inline constexpr std::uint8_t ReadingVersion = 9;     // firmware version on every tick
}  // namespace poll

// The scheduler's one pending intention and the version flag, shared by the scheduler, the reply
// interpreter and the port's open and close. Plain bytes: everything runs on one thread.
struct SchedulerState {
    std::uint8_t PollState = poll::Idle;
    // 1 until the firmware version has been read (or refused) in this connection.
    std::uint8_t VersionPending = 1;
};

}  // namespace device
