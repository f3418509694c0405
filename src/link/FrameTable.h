#pragma once

#include <array>
#include <cstdint>

namespace rtu {

inline constexpr std::uint8_t kSlaveAddress = 0x00;
inline constexpr std::uint8_t kReadHoldingRegisters = 0x03;
inline constexpr std::uint8_t kWriteMultipleRegisters = 0x10;
// Set in the function code of an exception reply: 0x83 refuses a read, 0x90 a write.
inline constexpr std::uint8_t kExceptionFlag = 0x80;

// Where register data starts: in a read's reply after address, function and byte count; in a
// write request after address, function, first register, register count and byte count. Each
// register takes two bytes from there, counted from the first register the frame carries.
inline constexpr std::size_t kReplyDataStart = 3;
inline constexpr std::size_t kWriteDataStart = 7;

inline constexpr std::size_t kReadFrameLength = 8;
inline constexpr std::size_t kSaveConfigFrameLength = 47;
inline constexpr std::size_t kSetPositionFrameLength = 13;

using ReadFrame = std::array<std::uint8_t, kReadFrameLength>;
using SaveConfigFrameBytes = std::array<std::uint8_t, kSaveConfigFrameLength>;
using SetPositionFrameBytes = std::array<std::uint8_t, kSetPositionFrameLength>;

// The six request frames. Built once at start-up and never resized; the save and preset commands
// rewrite the data and checksum bytes of the two write frames in place.
struct FrameTable {
    ReadFrame ReadPositionFrame{};             // registers 21-22, the live position
    ReadFrame ReadAllFrame{};                  // registers 0-20, the whole configuration
    ReadFrame ReadStatusFrame{};               // registers 23-25, the status words
    ReadFrame ReadVersionFrame{};              // register 27, the firmware version
    SaveConfigFrameBytes SaveConfigFrame{};    // writes registers 0-18
    SetPositionFrameBytes SetPositionFrame{};  // writes registers 19-20

    // Fills the read frames completely and the write frames' seven header bytes; the rest of the
    // write frames is zero until a command fills it.
    void Build();
};

}  // namespace rtu
