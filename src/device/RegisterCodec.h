#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "device/RegisterTable.h"
#include "link/FrameTable.h"
#include "link/ReplyFramer.h"

namespace device {

// Register values in a reply travel high byte first; a 32-bit quantity takes two registers, the
// lower-numbered one holding the most significant half.

// 16-bit register at reply byte i. Never fails.
std::uint16_t Decode16(const rtu::RxBufferBytes& rx, std::size_t i);
// 32-bit register pair at reply byte i: 0..2147483647, nothing when byte i is 0x80 or more
// (the value does not fit a signed 32-bit number, and is never shown).
std::optional<std::int32_t> Decode32(const rtu::RxBufferBytes& rx, std::size_t i);
// The protocol list's entry for the protocol register's low byte: 3, 4 and 5 mean what 0, 1 and 2
// mean; 6 and above give an index the three-entry list refuses.
int ProtocolIndex(std::uint8_t value);

// Whether the register takes the value: for a list the index of one of its entries, for a
// number 0..MaxOf(kind).
bool Takes(const ConfigRegister& r, std::int64_t value);

// The value of `r` in a read reply whose data begins with register firstReg: for a list the entry
// its low byte names (the protocol rule for the protocol register), for a number the number.
// Nothing when the list has no such entry or a register pair is 0x80000000 or more.
std::optional<std::int32_t> DecodeValue(const rtu::RxBufferBytes& rx, std::uint8_t firstReg,
                                        const ConfigRegister& r);

// A value for each register of the configuration (the table without the live position), in table
// order: the number, or a list's entry index. Empty where nothing is known.
inline constexpr std::size_t kConfigRegisterCount = kRegisterTable.size() - 1;
using ConfigValues = std::array<std::optional<std::int32_t>, kConfigRegisterCount>;

// Rewrites bytes 7..46 of SaveConfigFrame with the saved registers' values and seals it. The
// values are taken in the window's order (its text fields first, then its lists); the first one
// that is missing or that its register does not take is returned as its place in the table, and
// the frame is left exactly as it was: a partly rewritten frame is never left behind to be sent.
std::optional<std::size_t> FillSaveFrame(rtu::SaveConfigFrameBytes& frame,
                                         const ConfigValues& values);
// Rewrites bytes 7..12 of SetPositionFrame with the position and seals it; false, and the frame
// as it was, when the register does not take it.
bool FillPresetFrame(rtu::SetPositionFrameBytes& frame, std::int32_t position);

}  // namespace device
