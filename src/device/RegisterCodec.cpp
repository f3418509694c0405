#include "device/RegisterCodec.h"

#include <span>

#include "link/Crc16.h"

namespace device {
namespace {

using ui::Widget;

using rtu::kReplyDataStart;
using rtu::kWriteDataStart;

// The order the window converts its fields in; the first that fails is the one the operator is
// shown. The lists follow in register order.
constexpr std::array<Widget, 15> kSaveOrder{
    Widget::Text1,  Widget::Text2,  Widget::Text3,  Widget::Text4,  Widget::Text5,
    Widget::Text6,  Widget::Text7,  Widget::Text8,  Widget::Combo2, Widget::Combo8,
    Widget::Combo3, Widget::Combo4, Widget::Combo5, Widget::Combo6, Widget::Combo7,
};

std::size_t TableIndex(const ConfigRegister& r) {
    return static_cast<std::size_t>(&r - kRegisterTable.data());
}

// Writes a value the register takes into a write frame whose data begins with register firstReg,
// most significant byte first.
void Put(std::span<std::uint8_t> frame, std::uint8_t firstReg, const ConfigRegister& r,
         std::int32_t value) {
    const std::size_t at = kWriteDataStart + 2 * static_cast<std::size_t>(r.reg - firstReg);
    const std::size_t bytes = 2 * r.Width();
    const auto v = static_cast<std::uint32_t>(value);
    for (std::size_t i = 0; i < bytes; ++i) {
        frame[at + i] = static_cast<std::uint8_t>(v >> (8 * (bytes - 1 - i)));
    }
}

}  // namespace

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

bool Takes(const ConfigRegister& r, std::int64_t value) {
    if (value < 0 || value > MaxOf(r.kind)) {
        return false;
    }
    return r.kind != RegisterKind::List ||
           value < static_cast<std::int64_t>(ui::DefaultsOf(r.field).items.size());
}

std::optional<std::int32_t> DecodeValue(const rtu::RxBufferBytes& rx, std::uint8_t firstReg,
                                        const ConfigRegister& r) {
    const std::size_t at = kReplyDataStart + 2 * static_cast<std::size_t>(r.reg - firstReg);
    switch (r.kind) {
        case RegisterKind::List: {
            const std::uint8_t low = rx[at + 1];
            const int index = r.reg == RegisterNamed("Protocol").reg ? ProtocolIndex(low) : low;
            return Takes(r, index) ? std::optional<std::int32_t>(index) : std::nullopt;
        }
        case RegisterKind::Number16:
            return Decode16(rx, at);
        case RegisterKind::Number32:
            return Decode32(rx, at);
    }
    return std::nullopt;
}

std::optional<std::size_t> FillSaveFrame(rtu::SaveConfigFrameBytes& frame,
                                         const ConfigValues& values) {
    rtu::SaveConfigFrameBytes draft = frame;
    for (const Widget field : kSaveOrder) {
        const ConfigRegister& r = RegisterOf(field);
        const auto& value = values[TableIndex(r)];
        if (!value || !Takes(r, *value)) {
            return TableIndex(r);
        }
        Put(draft, 0, r, *value);
    }
    rtu::SealFrame(draft);
    frame = draft;
    return std::nullopt;
}

bool FillPresetFrame(rtu::SetPositionFrameBytes& frame, std::int32_t position) {
    const ConfigRegister& r = RegisterNamed("PresetPosition");
    if (!Takes(r, position)) {
        return false;
    }
    rtu::SetPositionFrameBytes draft = frame;
    Put(draft, r.reg, r, position);
    rtu::SealFrame(draft);
    frame = draft;
    return true;
}

}  // namespace device
