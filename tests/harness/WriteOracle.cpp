#include "harness/WriteOracle.h"

#include <array>
#include <span>

#include "link/Crc16.h"

namespace harness {

using ui::Widget;

std::optional<std::int64_t> FieldNumber(std::string_view text) {
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
        if (value > 2147483648LL) {
            return std::nullopt;
        }
    }
    value = negative ? -value : value;
    if (value > 2147483647LL) {
        return std::nullopt;
    }
    return value;
}

namespace {

using Slot = WriteSlot;

constexpr std::array<Slot, 15> kSaveSlots{{
    {Widget::Text1, 7, 16},
    {Widget::Text2, 29, 32},
    {Widget::Text3, 33, 32},
    {Widget::Text4, 21, 16},
    {Widget::Text5, 25, 16},
    {Widget::Text6, 27, 16},
    {Widget::Text7, 37, 32},
    {Widget::Text8, 41, 32},
    {Widget::Combo2, 9, 0},
    {Widget::Combo8, 11, 0},
    {Widget::Combo3, 13, 0},
    {Widget::Combo4, 15, 0},
    {Widget::Combo5, 17, 0},
    {Widget::Combo6, 19, 0},
    {Widget::Combo7, 23, 0},
}};

bool Put(std::span<std::uint8_t> frame, const Slot& s, const ui::WindowOperations& window) {
    std::int64_t n = 0;
    if (s.width == 0) {
        n = window.SelectedIndex(s.field);
        if (n < 0 || n > 255) {
            return false;
        }
    } else {
        const auto value = FieldNumber(window.Text(s.field));
        const std::int64_t top = s.width == 16 ? 65535 : 2147483647;
        if (!value || *value < 0 || *value > top) {
            return false;
        }
        n = *value;
    }
    const int bytes = s.width == 32 ? 4 : 2;
    for (int i = bytes - 1; i >= 0; --i) {
        frame[s.at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(n & 0xFF);
        n >>= 8;
    }
    return true;
}

}  // namespace

std::span<const WriteSlot> SaveSlots() {
    return kSaveSlots;
}

ExpectedSave ExpectSave(const ui::WindowOperations& window) {
    rtu::SaveConfigFrameBytes frame{0x00, 0x10, 0x00, 0x00, 0x00, 0x13, 0x26};
    for (const Slot& s : kSaveSlots) {
        if (!Put(frame, s, window)) {
            return s.field;
        }
    }
    rtu::SealFrame(frame);
    return frame;
}

ExpectedPreset ExpectPreset(const ui::WindowOperations& window) {
    rtu::SetPositionFrameBytes frame{0x00, 0x10, 0x00, 0x13, 0x00, 0x02, 0x04};
    if (!Put(frame, kPresetSlot, window)) {
        return Widget::Text9;
    }
    rtu::SealFrame(frame);
    return frame;
}

}  // namespace harness
