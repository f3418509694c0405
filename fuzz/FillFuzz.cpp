// The two fill operations on arbitrary texts and selections. Either the frame comes out sealed
// and decodes back to the fields, or the operation refuses, naming the first field that does not
// fit, and the frame is exactly as it was.
//
// Input: seven bytes pick the selections of Combo2..Combo8 (-1, none, up to past the last entry),
// then the texts of Text1..Text9, separated by newlines.
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <variant>

#include "Script.h"
#include "device/RegisterMap.h"
#include "harness/WriteOracle.h"
#include "link/Crc16.h"
#include "ui/WindowModel.h"

namespace {

using ui::Widget;

[[noreturn]] void Broken(const char* what, Widget field) {
    std::fprintf(stderr, "%s (%.*s)\n", what, static_cast<int>(ui::NameOf(field).size()),
                 ui::NameOf(field).data());
    std::abort();
}

// The frame's value at a slot, read back the way the device reads it.
std::int64_t ValueAt(std::span<const std::uint8_t> frame, const harness::WriteSlot& s) {
    const int bytes = s.width == 32 ? 4 : 2;
    std::int64_t v = 0;
    for (int i = 0; i < bytes; ++i) {
        v = v * 256 + frame[s.at + static_cast<std::size_t>(i)];
    }
    return v;
}

// The field's value as the fill must have written it.
std::int64_t FieldValue(const ui::WindowModel& window, const harness::WriteSlot& s) {
    if (s.width == 0) {
        return window.SelectedIndex(s.field);
    }
    return *harness::FieldNumber(window.Text(s.field));
}

template <typename Frame, typename Expected>
void CheckFill(Frame& frame, std::optional<Widget> refused, const Frame& before,
               const Expected& expected, std::span<const harness::WriteSlot> slots,
               const ui::WindowModel& window) {
    if (const auto* field = std::get_if<Widget>(&expected)) {
        if (refused != *field) {
            Broken("the refusal does not name the first field that does not fit", *field);
        }
        if (frame != before) {
            Broken("a refused fill changed the frame", *field);
        }
        return;
    }
    if (refused) {
        Broken("a fill was refused although every field fits", *refused);
    }
    if (!std::equal(before.begin(), before.begin() + 7, frame.begin())) {
        Broken("the fill changed the frame's header", Widget::Form1);
    }
    if (!rtu::HasRightChecksum(frame)) {
        Broken("the filled frame is not sealed", Widget::Form1);
    }
    for (const harness::WriteSlot& s : slots) {
        if (ValueAt(frame, s) != FieldValue(window, s)) {
            Broken("the frame does not decode back to the field", s.field);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Script script(data, size);
    ui::WindowModel window;
    for (Widget list : {Widget::Combo2, Widget::Combo3, Widget::Combo4, Widget::Combo5,
                        Widget::Combo6, Widget::Combo7, Widget::Combo8}) {
        const int pick = script.Byte() % (window.Items(list).size() + 2) - 1;
        (void)window.SetSelectedIndex(list, pick);
    }
    const auto rest = script.Bytes(size);
    std::string_view texts(reinterpret_cast<const char*>(rest.data()), rest.size());
    for (Widget field : {Widget::Text1, Widget::Text2, Widget::Text3, Widget::Text4, Widget::Text5,
                         Widget::Text6, Widget::Text7, Widget::Text8, Widget::Text9}) {
        const std::size_t end = std::min(texts.find('\n'), texts.size());
        window.SetText(field, texts.substr(0, end));
        texts.remove_prefix(std::min(end + 1, texts.size()));
    }

    rtu::FrameTable frames;
    frames.Build();
    // Bytes from an earlier fill, which a refusal must leave alone.
    for (std::size_t i = 7; i < frames.SaveConfigFrame.size(); ++i) {
        frames.SaveConfigFrame[i] = static_cast<std::uint8_t>(i * 37);
    }
    for (std::size_t i = 7; i < frames.SetPositionFrame.size(); ++i) {
        frames.SetPositionFrame[i] = static_cast<std::uint8_t>(i * 53);
    }

    const auto saveBefore = frames.SaveConfigFrame;
    const auto saveRefused = device::FillSaveConfigFrame(frames.SaveConfigFrame, window);
    CheckFill(frames.SaveConfigFrame, saveRefused, saveBefore, harness::ExpectSave(window),
              harness::SaveSlots(), window);

    const auto presetBefore = frames.SetPositionFrame;
    const auto presetRefused = device::FillSetPositionFrame(frames.SetPositionFrame, window);
    CheckFill(frames.SetPositionFrame, presetRefused, presetBefore, harness::ExpectPreset(window),
              std::span(&harness::kPresetSlot, 1), window);
    return 0;
}
