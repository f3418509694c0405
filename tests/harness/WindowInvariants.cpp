#include "harness/WindowInvariants.h"

#include <algorithm>
#include <array>
#include <utility>
#include <variant>

#include "harness/WriteOracle.h"
#include "ui/Widget.h"

namespace harness {

using ui::Widget;

namespace {

// The four read requests, as they go on the wire.
const std::array<Bytes, 4> kReadFrames{
    Hex("00 03 00 15 00 02 D4 1E"),  // position
    Hex("00 03 00 00 00 15 85 D4"),  // configuration
    Hex("00 03 00 17 00 03 B4 1E"),  // status
    Hex("00 03 00 1B 00 01 F5 DC"),  // version
};

constexpr std::array<std::uint8_t, 7> kSaveHeader{0x00, 0x10, 0x00, 0x00, 0x00, 0x13, 0x26};
constexpr std::array<std::uint8_t, 7> kPresetHeader{0x00, 0x10, 0x00, 0x13, 0x00, 0x02, 0x04};

std::string HexOf(const Bytes& bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (std::uint8_t b : bytes) {
        text += kDigits[b >> 4];
        text += kDigits[b & 15];
        text += ' ';
    }
    return text;
}

template <typename Frame>
bool Same(const Bytes& bytes, const Frame& frame) {
    return std::equal(bytes.begin(), bytes.end(), frame.begin(), frame.end());
}

template <typename Header>
bool StartsWith(const Bytes& bytes, const Header& header) {
    return bytes.size() >= header.size() && std::equal(header.begin(), header.end(), bytes.begin());
}

}  // namespace

WindowInvariants::WindowInvariants(Rig& rig) : rig_(rig) {
    rig_.timer3.OnTick([this] {
        ++timeoutsThisOpen_;
        rig_.form.Timer3_Timer();
    });
}

void WindowInvariants::Fail(std::string what) {
    if (broken_.empty()) {
        broken_ = std::move(what);
    }
}

bool WindowInvariants::Click(Widget button) {
    const bool wasOpen = rig_.serial.IsOpen();
    const rtu::FrameTable before = rig_.form.Frames();
    std::optional<ExpectedSave> save;
    std::optional<ExpectedPreset> preset;
    if (button == Widget::Command3) {
        save = ExpectSave(rig_.window);
    } else if (button == Widget::Command4) {
        preset = ExpectPreset(rig_.window);
    }
    const std::size_t messages = rig_.message.Messages().size();
    if (!rig_.Click(button)) {
        return false;
    }
    if (!wasOpen && rig_.serial.IsOpen()) {
        timeoutsThisOpen_ = 0;
    }

    // A refusal names the first field that does not fit and leaves the frame as it was.
    auto refused = [&](Widget field, bool frameUnchanged) {
        if (!frameUnchanged) {
            Fail("a refused " + std::string(ui::NameOf(button)) + " changed its frame");
        }
        const std::string expected = "参数错误：" + std::string(ui::FieldCaption(field));
        const auto& shown = rig_.message.Messages();
        if (shown.size() <= messages || shown[messages].text.rfind(expected, 0) != 0) {
            Fail(std::string(ui::NameOf(button)) + " was not refused with " + expected);
        }
    };
    const auto& frames = rig_.form.Frames();
    if (save) {
        if (const auto* frame = std::get_if<rtu::SaveConfigFrameBytes>(&*save)) {
            if (frames.SaveConfigFrame != *frame || rig_.form.PollState() != 4) {
                Fail("an accepted save did not arm the frame its fields give: " +
                     HexOf(Bytes(frames.SaveConfigFrame.begin(), frames.SaveConfigFrame.end())));
            }
            armedSave_ = *frame;
            return true;
        } else {
            refused(std::get<Widget>(*save), frames.SaveConfigFrame == before.SaveConfigFrame);
        }
    }
    if (preset) {
        if (const auto* frame = std::get_if<rtu::SetPositionFrameBytes>(&*preset)) {
            if (frames.SetPositionFrame != *frame || rig_.form.PollState() != 5) {
                Fail("an accepted preset did not arm the frame Text9 gives");
            }
            armedPreset_ = *frame;
            return true;
        } else {
            refused(Widget::Text9, frames.SetPositionFrame == before.SetPositionFrame);
        }
    }
    return false;
}

std::string WindowInvariants::CheckFrame(const Bytes& frame) const {
    for (const Bytes& read : kReadFrames) {
        if (frame == read) {
            return {};
        }
    }
    if (StartsWith(frame, kSaveHeader) && frame.size() == rtu::kSaveConfigFrameLength) {
        if (armedSave_ && Same(frame, *armedSave_)) {
            return {};
        }
        return "a save frame that no accepted click armed: " + HexOf(frame);
    }
    if (StartsWith(frame, kPresetHeader) && frame.size() == rtu::kSetPositionFrameLength) {
        if (armedPreset_ && Same(frame, *armedPreset_)) {
            return {};
        }
        return "a preset frame that no accepted click armed: " + HexOf(frame);
    }
    return "a frame that is no request of this tool: " + HexOf(frame);
}

std::string WindowInvariants::Check() {
    const std::int16_t rxLength = rig_.form.Framer().RxLength();
    if (rxLength < 0 || rxLength > static_cast<std::int16_t>(rtu::kRxBufferSize)) {
        Fail("RxLength is " + std::to_string(rxLength));
    }
    const std::uint8_t state = rig_.form.PollState();
    if (state == 6 || state > 9) {
        Fail("PollState is " + std::to_string(state));
    }
    for (const auto& written : rig_.serial.Written()) {
        ++framesChecked_;
        if (std::string wrong = CheckFrame(written.bytes); !wrong.empty()) {
            Fail(std::move(wrong));
        }
    }
    rig_.serial.ClearRecords();
    if (rig_.serial.WritesWhileClosed() != 0) {
        Fail("a frame was written while the port was closed");
    }
    if (!rig_.serial.IsOpen() && (rig_.timer2.IsRunning() || rig_.timer3.IsRunning())) {
        Fail("Timer2 or Timer3 runs while the port is closed");
    }
    if (timeoutsThisOpen_ > 1) {
        Fail("the load timeout fired " + std::to_string(timeoutsThisOpen_) + " times in one open");
    }
    return std::exchange(broken_, std::string());
}

}  // namespace harness
