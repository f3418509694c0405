#pragma once

#include <cstddef>
#include <cstdint>

#include "link/ModbusException.h"

namespace sim {

// What a request asks for, told by its function and first register.
enum class RequestKind : std::uint8_t {
    ConfigurationRead,  // a read starting in registers 0-20
    PositionRead,       // a read starting at register 21 or 22
    StatusRead,         // a read starting in registers 23-25
    VersionRead,        // a read starting at register 27
    Write,              // function 0x10, any register
    Other,              // any other function, or a read starting at 26 or past the last register
};

// Which requests a fault applies to: none, every request, or one kind.
enum class Scope : std::uint8_t {
    None,
    Every,
    ConfigurationRead,
    PositionRead,
    StatusRead,
    VersionRead,
    Write,
};

constexpr bool Covers(Scope scope, RequestKind kind) {
    switch (scope) {
        case Scope::None:
            return false;
        case Scope::Every:
            return true;
        case Scope::ConfigurationRead:
            return kind == RequestKind::ConfigurationRead;
        case Scope::PositionRead:
            return kind == RequestKind::PositionRead;
        case Scope::StatusRead:
            return kind == RequestKind::StatusRead;
        case Scope::VersionRead:
            return kind == RequestKind::VersionRead;
        case Scope::Write:
            return kind == RequestKind::Write;
    }
    return false;
}

// Misbehaviour switched on at run time. The defaults describe a healthy device that answers
// at once.
struct Faults {
    // From the request's last byte to the reply's first byte.
    std::int64_t responseDelayUs = 0;
    // Requests of this scope get no reply and change nothing.
    Scope silentFor = Scope::None;
    // Requests of this scope are refused with `exceptionCode` and change nothing.
    Scope exceptionFor = Scope::None;
    std::uint8_t exceptionCode = rtu::kServerDeviceFailure;
    // Every Nth reply (counting every reply sent) goes out with a wrong checksum; 0 is off.
    std::uint32_t corruptEvery = 0;
    // The reply goes out in two chunks, its first half and its second half, with this much
    // silence between them.
    bool split = false;
    std::int64_t splitGapUs = 0;
    // The reply is followed at once, without a gap, by a second copy of itself.
    bool glue = false;
    // This many bytes of line noise go out noiseGapUs after each reply (after the request when
    // there is no reply), between frames. At most kMaxNoiseBytes.
    std::size_t noiseBytes = 0;
    std::int64_t noiseGapUs = 100'000;
    // The master's adapter hears its own transmitter: every request, whatever becomes of it,
    // comes back byte for byte, its last byte as the request's last byte leaves, before any reply.
    bool echo = false;
};

inline constexpr std::size_t kMaxNoiseBytes = 64;

}  // namespace sim
