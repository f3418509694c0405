#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <variant>

#include "link/FrameTable.h"
#include "ui/WindowOperations.h"

namespace harness {

// What a save or preset click must produce, worked out from the window's fields on its own,
// without the register map's code: the register layout of the two write frames written down
// again, and a field text read as a whole number by a parser of its own. Either the sealed frame
// the click must arm, or the field that must be blamed.
using ExpectedSave = std::variant<rtu::SaveConfigFrameBytes, ui::Widget>;
using ExpectedPreset = std::variant<rtu::SetPositionFrameBytes, ui::Widget>;

// Where a field's value sits in a write frame.
struct WriteSlot {
    ui::Widget field;
    std::size_t at;  // its first data byte
    int width;       // 16 or 32 bits; 0 for a list (high byte 0, low byte the selected entry)
};
// The save frame's fields in the order they are converted: Text1..Text8, then the lists in
// register order.
std::span<const WriteSlot> SaveSlots();
inline constexpr WriteSlot kPresetSlot{ui::Widget::Text9, 7, 32};

// A field's text as a number: blanks and tabs around an optional sign and decimal digits, inside
// the signed 32-bit range.
std::optional<std::int64_t> FieldNumber(std::string_view text);

ExpectedSave ExpectSave(const ui::WindowOperations& window);
ExpectedPreset ExpectPreset(const ui::WindowOperations& window);

}  // namespace harness
