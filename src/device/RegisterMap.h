#pragma once

#include <array>
#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>

#include "link/FrameTable.h"
#include "link/ReplyFramer.h"
#include "ui/WindowOperations.h"

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

// Shows one field from a read reply whose data begins with register firstReg: a list selects the
// entry the register's low byte names (the protocol rule for Combo3), a number is written in plain
// decimal. False when the list has no such entry or a register pair is 0x80000000 or more; the
// field is then left as it was.
bool ShowField(const rtu::RxBufferBytes& rx, std::uint8_t firstReg, ui::Widget field,
               ui::WindowOperations& window);

// A number as plain decimal digits, padded with zeros to at least minDigits, without allocating.
class DecimalText {
public:
    explicit DecimalText(std::int64_t value, int minDigits = 1);
    std::string_view View() const { return {chars_.data(), length_}; }

private:
    std::array<char, 24> chars_{};
    std::size_t length_ = 0;
};

// A field's text as a signed 32-bit whole number: optional blanks around an optional sign and
// decimal digits. Empty text, anything else (fractions included) and values outside the signed
// 32-bit range give nothing.
std::optional<std::int32_t> TextToInt32(std::string_view text);

// Rewrites bytes 7..46 of SaveConfigFrame from Text1..Text8 and the selections of Combo2..Combo8,
// and seals it. On failure returns the first field that does not convert or does not fit its
// register (16-bit 0..65535, 32-bit 0..2147483647, a list with no selection) and leaves the frame
// exactly as it was: a partly rewritten frame is never left behind to be sent.
std::optional<ui::Widget> FillSaveConfigFrame(rtu::SaveConfigFrameBytes& frame,
                                              const ui::WindowOperations& window);
// Rewrites bytes 7..12 of SetPositionFrame from Text9 and seals it; on failure returns Text9 and
// leaves the frame as it was.
std::optional<ui::Widget> FillSetPositionFrame(rtu::SetPositionFrameBytes& frame,
                                               const ui::WindowOperations& window);

}  // namespace device
