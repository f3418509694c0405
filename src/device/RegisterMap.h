#pragma once

#include <array>
#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>

#include "device/RegisterCodec.h"
#include "link/FrameTable.h"
#include "link/ReplyFramer.h"
#include "ui/WindowOperations.h"

namespace device {

// The window's fields bound to the register values of RegisterCodec.h.

// Shows one field from a read reply whose data begins with register firstReg: a list selects the
// entry DecodeValue gives, a number is written in plain decimal. False when DecodeValue gives
// nothing or the list refuses the entry; the field is then left as it was.
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

// FillSaveFrame from Text1..Text8 and the selections of Combo2..Combo8: a text that does not
// convert, like a list with no selection, is a missing value. Returns the field refused.
std::optional<ui::Widget> FillSaveConfigFrame(rtu::SaveConfigFrameBytes& frame,
                                              const ui::WindowOperations& window);
// FillPresetFrame from Text9; on failure returns Text9.
std::optional<ui::Widget> FillSetPositionFrame(rtu::SetPositionFrameBytes& frame,
                                               const ui::WindowOperations& window);

}  // namespace device
