#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "ui/Widget.h"

namespace cli {

enum class KeyKind : std::uint8_t {
    List,      // the register's low byte is an entry of the field's list
    Number16,  // one register, 0..65535
    Number32,  // a register pair, 0..2147483647
};

// A register by the name scripts use for it, and the window field that shows it.
struct ConfigKey {
    std::string_view name;
    ui::Widget field;
    KeyKind kind;
    std::uint8_t reg;  // the first register of a pair
    bool saved;        // written by save (registers 0-18); the preset position is written by preset
};

inline constexpr std::size_t kConfigKeyCount = 16;

// Registers 0-20, in register order: the order read prints them in.
inline constexpr std::array<ConfigKey, kConfigKeyCount> kConfigKeys{{
    {"CommAddress", ui::Widget::Text1, KeyKind::Number16, 0, true},
    {"BaudRate", ui::Widget::Combo2, KeyKind::List, 1, true},
    {"Parity", ui::Widget::Combo8, KeyKind::List, 2, true},
    {"Protocol", ui::Widget::Combo3, KeyKind::List, 3, true},
    {"TurnCountMode", ui::Widget::Combo4, KeyKind::List, 4, true},
    {"WorkMode", ui::Widget::Combo5, KeyKind::List, 5, true},
    {"RotationDirection", ui::Widget::Combo6, KeyKind::List, 6, true},
    {"ResolutionPerTurn", ui::Widget::Text4, KeyKind::Number16, 7, true},
    {"GearSelection", ui::Widget::Combo7, KeyKind::List, 8, true},
    {"CurrentUpperLimit", ui::Widget::Text5, KeyKind::Number16, 9, true},
    {"CurrentLowerLimit", ui::Widget::Text6, KeyKind::Number16, 10, true},
    {"CycleValue", ui::Widget::Text2, KeyKind::Number32, 11, true},
    {"ReciprocationValue", ui::Widget::Text3, KeyKind::Number32, 13, true},
    {"UpperLimitPosition", ui::Widget::Text7, KeyKind::Number32, 15, true},
    {"LowerLimitPosition", ui::Widget::Text8, KeyKind::Number32, 17, true},
    {"PresetPosition", ui::Widget::Text9, KeyKind::Number32, 19, false},
}};

// What read prints beside the configuration; save accepts these keys in its input and ignores
// them, so that read's output can be saved as it is.
inline constexpr std::array<std::string_view, 3> kReportKeys{"CurrentPosition", "Status",
                                                             "FirmwareVersion"};

// The index of the key in kConfigKeys.
std::optional<std::size_t> ConfigKeyIndex(std::string_view name);
bool IsReportKey(std::string_view name);
// The key a register belongs to (either half of a pair), or nothing past register 20.
const ConfigKey* KeyOfRegister(std::size_t reg);

// A value for each key: the number, or for a list the entry's index. Empty where nothing is known
// or nothing was given.
using ConfigValues = std::array<std::optional<std::int32_t>, kConfigKeyCount>;

}  // namespace cli
