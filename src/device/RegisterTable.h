#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string_view>

#include "ui/Widget.h"

namespace device {

// How a configuration register's value travels, and the values it takes.
enum class RegisterKind : std::uint8_t {
    List,      // one register whose low byte is an entry of the field's list; the high byte is 0
    Number16,  // one register, 0..65535
    Number32,  // a register pair, most significant half in the lower-numbered one, 0..2147483647
};

// How many registers a value of this kind takes.
constexpr std::size_t WidthOf(RegisterKind kind) {
    return kind == RegisterKind::Number32 ? 2 : 1;
}

// The largest value of the kind (a list's entry index at most); every kind starts at 0.
constexpr std::int64_t MaxOf(RegisterKind kind) {
    switch (kind) {
        case RegisterKind::List:
            return 255;
        case RegisterKind::Number16:
            return 65535;
        case RegisterKind::Number32:
            return 2147483647;
    }
    return 0;
}

// Which request writes a register.
enum class WrittenBy : std::uint8_t { Save, Preset, Nothing };

struct ConfigRegister {
    std::string_view name;  // the name scripts use for it
    std::uint8_t reg;       // the register, or the first of a pair
    RegisterKind kind;
    ui::Widget field;  // the window field that shows it; a list's entries are the field's items
    WrittenBy writtenBy;

    constexpr std::size_t Width() const { return WidthOf(kind); }
    constexpr bool Saved() const { return writtenBy == WrittenBy::Save; }
    constexpr bool Holds(std::size_t r) const { return r >= reg && r < reg + Width(); }
};

// The device's register layout: the configuration (registers 0-20, read in one request, 0-18
// written by the save, 19-20 by the preset) and the live position. Every register's number,
// width, kind and field is written here and nowhere else.
inline constexpr std::array<ConfigRegister, 17> kRegisterTable{{
    {"CommAddress", 0, RegisterKind::Number16, ui::Widget::Text1, WrittenBy::Save},
    {"BaudRate", 1, RegisterKind::List, ui::Widget::Combo2, WrittenBy::Save},
    {"Parity", 2, RegisterKind::List, ui::Widget::Combo8, WrittenBy::Save},
    {"Protocol", 3, RegisterKind::List, ui::Widget::Combo3, WrittenBy::Save},
    {"TurnCountMode", 4, RegisterKind::List, ui::Widget::Combo4, WrittenBy::Save},
    {"WorkMode", 5, RegisterKind::List, ui::Widget::Combo5, WrittenBy::Save},
    {"RotationDirection", 6, RegisterKind::List, ui::Widget::Combo6, WrittenBy::Save},
    {"ResolutionPerTurn", 7, RegisterKind::Number16, ui::Widget::Text4, WrittenBy::Save},
    {"GearSelection", 8, RegisterKind::List, ui::Widget::Combo7, WrittenBy::Save},
    {"CurrentUpperLimit", 9, RegisterKind::Number16, ui::Widget::Text5, WrittenBy::Save},
    {"CurrentLowerLimit", 10, RegisterKind::Number16, ui::Widget::Text6, WrittenBy::Save},
    {"CycleValue", 11, RegisterKind::Number32, ui::Widget::Text2, WrittenBy::Save},
    {"ReciprocationValue", 13, RegisterKind::Number32, ui::Widget::Text3, WrittenBy::Save},
    {"UpperLimitPosition", 15, RegisterKind::Number32, ui::Widget::Text7, WrittenBy::Save},
    {"LowerLimitPosition", 17, RegisterKind::Number32, ui::Widget::Text8, WrittenBy::Save},
    {"PresetPosition", 19, RegisterKind::Number32, ui::Widget::Text9, WrittenBy::Preset},
    {"CurrentPosition", 21, RegisterKind::Number32, ui::Widget::Text10, WrittenBy::Nothing},
}};

// Past the table: the three status words and the firmware version, read only.
inline constexpr std::uint8_t kStatusRegister = 23;
inline constexpr std::size_t kStatusRegisterCount = 3;
inline constexpr std::uint8_t kVersionRegister = 27;

constexpr const ConfigRegister& RegisterOf(ui::Widget field) {
    for (const ConfigRegister& r : kRegisterTable) {
        if (r.field == field) {
            return r;
        }
    }
    throw std::logic_error("the field shows no register");
}

constexpr const ConfigRegister& RegisterNamed(std::string_view name) {
    for (const ConfigRegister& r : kRegisterTable) {
        if (r.name == name) {
            return r;
        }
    }
    throw std::logic_error("no register has that name");
}

// The registers follow one another without a gap, in table order.
constexpr bool RegistersAreContiguous() {
    for (std::size_t i = 1; i < kRegisterTable.size(); ++i) {
        if (kRegisterTable[i].reg != kRegisterTable[i - 1].reg + kRegisterTable[i - 1].Width()) {
            return false;
        }
    }
    return kRegisterTable.front().reg == 0;
}
static_assert(RegistersAreContiguous(), "the register table must list registers 0-22 in order");

}  // namespace device
