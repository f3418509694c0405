// The fixed frames' bytes carry register numbers of their own: each must ask for, or write,
// exactly the registers the register table gives.
#include "device/RegisterTable.h"

#include <gtest/gtest.h>

#include <span>

#include "link/FrameTable.h"

namespace {

using device::kRegisterTable;
using device::RegisterNamed;

// The first register and the count a request names in bytes 2-5.
std::pair<unsigned, unsigned> RegistersOf(std::span<const std::uint8_t> frame) {
    return {frame[2] * 256u + frame[3], frame[4] * 256u + frame[5]};
}

// Registers from `first` up to and including `last`'s last register.
std::pair<unsigned, unsigned> Span(std::string_view first, std::string_view last) {
    const auto& from = RegisterNamed(first);
    const auto& to = RegisterNamed(last);
    return {from.reg, static_cast<unsigned>(to.reg + to.Width() - from.reg)};
}

TEST(RegisterTable, TheFixedFramesNameTheTablesRegisters) {
    rtu::FrameTable frames;
    frames.Build();
    struct Case {
        const char* frame;
        std::span<const std::uint8_t> bytes;
        std::pair<unsigned, unsigned> registers;
    };
    for (const Case& c : {
             Case{"ReadAllFrame", frames.ReadAllFrame, Span("CommAddress", "PresetPosition")},
             Case{"ReadPositionFrame", frames.ReadPositionFrame,
                  Span("CurrentPosition", "CurrentPosition")},
             Case{"ReadStatusFrame",
                  frames.ReadStatusFrame,
                  {device::kStatusRegister, device::kStatusRegisterCount}},
             Case{"ReadVersionFrame", frames.ReadVersionFrame, {device::kVersionRegister, 1}},
             Case{"SaveConfigFrame", frames.SaveConfigFrame,
                  Span("CommAddress", "LowerLimitPosition")},
             Case{"SetPositionFrame", frames.SetPositionFrame,
                  Span("PresetPosition", "PresetPosition")},
         }) {
        EXPECT_EQ(RegistersOf(c.bytes), c.registers) << c.frame;
    }
    // A write carries two data bytes per register.
    EXPECT_EQ(frames.SaveConfigFrame[6], 2 * RegistersOf(frames.SaveConfigFrame).second);
    EXPECT_EQ(frames.SetPositionFrame[6], 2 * RegistersOf(frames.SetPositionFrame).second);
}

// The save writes exactly the registers the table marks as saved, and the preset the one it
// marks as preset; nothing writes the live position.
TEST(RegisterTable, EachRegisterIsWrittenByTheRequestThatCoversIt) {
    rtu::FrameTable frames;
    frames.Build();
    const auto [saveFirst, saveCount] = RegistersOf(frames.SaveConfigFrame);
    const auto [presetFirst, presetCount] = RegistersOf(frames.SetPositionFrame);
    for (const device::ConfigRegister& r : kRegisterTable) {
        const bool inSave = r.reg >= saveFirst && r.reg + r.Width() <= saveFirst + saveCount;
        const bool inPreset =
            r.reg >= presetFirst && r.reg + r.Width() <= presetFirst + presetCount;
        EXPECT_EQ(inSave, r.writtenBy == device::WrittenBy::Save) << r.name;
        EXPECT_EQ(inPreset, r.writtenBy == device::WrittenBy::Preset) << r.name;
    }
}

}  // namespace
