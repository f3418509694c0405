#pragma once

#include <cstdint>
#include <string_view>

namespace rtu {

// The Modbus exception codes: the byte after the function code (with kExceptionFlag set) in a
// slave's refusal. The window does not look at them; the tool names them and the simulated
// transmitter sends them.
inline constexpr std::uint8_t kIllegalFunction = 0x01;
inline constexpr std::uint8_t kIllegalDataAddress = 0x02;
inline constexpr std::uint8_t kIllegalDataValue = 0x03;
inline constexpr std::uint8_t kServerDeviceFailure = 0x04;
inline constexpr std::uint8_t kAcknowledge = 0x05;
inline constexpr std::uint8_t kServerDeviceBusy = 0x06;

// The code's name as Modbus tools print it, lower case: "illegal data value";
// "unknown exception" for any other code.
std::string_view ExceptionName(std::uint8_t code);

}  // namespace rtu
