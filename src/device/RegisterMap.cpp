#include "device/RegisterMap.h"

#include <algorithm>

#include "device/RegisterTable.h"
#include "link/Crc16.h"

namespace device {

using ui::Widget;

std::uint16_t Decode16(const rtu::RxBufferBytes& rx, std::size_t i) {
    return static_cast<std::uint16_t>(rx[i] * 256 + rx[i + 1]);
}

std::optional<std::int32_t> Decode32(const rtu::RxBufferBytes& rx, std::size_t i) {
    if (rx[i] >= 0x80) {
        return std::nullopt;
    }
    std::int32_t v = rx[i];
    v = v * 256 + rx[i + 1];
    v = v * 256 + rx[i + 2];
    v = v * 256 + rx[i + 3];
    return v;
}

int ProtocolIndex(std::uint8_t value) {
    return value <= 2 ? value : value - 3;
}

DecimalText::DecimalText(std::int64_t value, int minDigits) {
    std::array<char, 24> digits{};
    const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), value);
    const auto count = static_cast<std::size_t>(result.ptr - digits.data());
    const std::size_t pad = count < static_cast<std::size_t>(minDigits)
                                ? static_cast<std::size_t>(minDigits) - count
                                : 0;
    std::fill_n(chars_.begin(), pad, '0');
    std::copy_n(digits.begin(), count, chars_.begin() + static_cast<std::ptrdiff_t>(pad));
    length_ = pad + count;
}

std::optional<std::int32_t> TextToInt32(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') {
            return std::nullopt;
        }
    }
    std::int32_t value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

namespace {

// Splits n into high and low byte at frame[at], frame[at+1]; 0..65535 only.
bool Put16(std::span<std::uint8_t> frame, std::size_t at, std::int32_t n) {
    if (n < 0 || n > MaxOf(RegisterKind::Number16)) {
        return false;
    }
    frame[at] = static_cast<std::uint8_t>(n / 256);
    frame[at + 1] = static_cast<std::uint8_t>(n % 256);
    return true;
}

// Four bytes, most significant first; 0..2147483647 only.
bool Put32(std::span<std::uint8_t> frame, std::size_t at, std::int32_t n) {
    if (n < 0) {
        return false;
    }
    frame[at] = static_cast<std::uint8_t>(n / 16777216);
    frame[at + 1] = static_cast<std::uint8_t>((n / 65536) % 256);
    frame[at + 2] = static_cast<std::uint8_t>((n / 256) % 256);
    frame[at + 3] = static_cast<std::uint8_t>(n % 256);
    return true;
}

// A write frame's register data starts at byte 7; a read reply's at byte 3. Each register takes
// two bytes, counted from the first register the frame carries.
constexpr std::size_t kWriteDataStart = 7;
constexpr std::size_t kReplyDataStart = 3;

// Writes one field into a write frame whose data begins with register firstReg.
bool PutField(std::span<std::uint8_t> frame, std::uint8_t firstReg, Widget field,
              const ui::WindowOperations& window) {
    const ConfigRegister& r = RegisterOf(field);
    const std::size_t at = kWriteDataStart + 2 * static_cast<std::size_t>(r.reg - firstReg);
    if (r.kind == RegisterKind::List) {
        const int index = window.SelectedIndex(field);
        return index <= MaxOf(RegisterKind::List) && Put16(frame, at, index);
    }
    const auto n = TextToInt32(window.Text(field));
    if (!n) {
        return false;
    }
    return r.kind == RegisterKind::Number32 ? Put32(frame, at, *n) : Put16(frame, at, *n);
}

// In the order the fields are converted; the first that fails is the one the operator is shown.
// The lists follow in register order.
constexpr std::array<Widget, 15> kSaveOrder{
    Widget::Text1,  Widget::Text2,  Widget::Text3,  Widget::Text4,  Widget::Text5,
    Widget::Text6,  Widget::Text7,  Widget::Text8,  Widget::Combo2, Widget::Combo8,
    Widget::Combo3, Widget::Combo4, Widget::Combo5, Widget::Combo6, Widget::Combo7,
};

}  // namespace

bool ShowField(const rtu::RxBufferBytes& rx, std::uint8_t firstReg, Widget field,
               ui::WindowOperations& window) {
    const ConfigRegister& r = RegisterOf(field);
    const std::size_t at = kReplyDataStart + 2 * static_cast<std::size_t>(r.reg - firstReg);
    switch (r.kind) {
        case RegisterKind::List: {
            const std::uint8_t low = rx[at + 1];
            return window.SetSelectedIndex(field,
                                           field == Widget::Combo3 ? ProtocolIndex(low) : low);
        }
        case RegisterKind::Number16:
            window.SetText(field, DecimalText(Decode16(rx, at)).View());
            return true;
        case RegisterKind::Number32: {
            const auto value = Decode32(rx, at);
            if (!value) {
                return false;
            }
            window.SetText(field, DecimalText(*value).View());
            return true;
        }
    }
    return false;
}

std::optional<Widget> FillSaveConfigFrame(rtu::SaveConfigFrameBytes& frame,
                                          const ui::WindowOperations& window) {
    rtu::SaveConfigFrameBytes draft = frame;
    for (Widget field : kSaveOrder) {
        if (!PutField(draft, 0, field, window)) {
            return field;
        }
    }
    rtu::SealFrame(draft);
    frame = draft;
    return std::nullopt;
}

std::optional<Widget> FillSetPositionFrame(rtu::SetPositionFrameBytes& frame,
                                           const ui::WindowOperations& window) {
    rtu::SetPositionFrameBytes draft = frame;
    if (!PutField(draft, RegisterOf(Widget::Text9).reg, Widget::Text9, window)) {
        return Widget::Text9;
    }
    rtu::SealFrame(draft);
    frame = draft;
    return std::nullopt;
}

}  // namespace device
