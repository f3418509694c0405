#include "device/RegisterMap.h"

#include <gtest/gtest.h>

#include "harness/Rig.h"
#include "link/Crc16.h"
#include "ui/WindowModel.h"

namespace {

using harness::Bytes;
using harness::Hex;
using ui::Widget;

rtu::RxBufferBytes Buffer(const Bytes& bytes) {
    rtu::RxBufferBytes rx{};
    std::copy(bytes.begin(), bytes.end(), rx.begin());
    return rx;
}

TEST(Decode32, TopBitSetIsAFailure) {
    struct Case {
        const char* hex;
        std::optional<std::int32_t> value;
    };
    for (const Case c :
         {Case{"00 00 00 00", 0}, Case{"00 01 86 A0", 100000}, Case{"7F FF FF FF", 2147483647},
          Case{"80 00 00 00", std::nullopt}, Case{"FF FF FF FF", std::nullopt}}) {
        EXPECT_EQ(device::Decode32(Buffer(Hex(c.hex)), 0), c.value) << c.hex;
    }
}

TEST(ProtocolIndex, ThreeToFiveMeanZeroToTwo) {
    const int expected[] = {0, 1, 2, 0, 1, 2, 3, 4};
    for (std::uint8_t v = 0; v < 8; ++v) {
        EXPECT_EQ(device::ProtocolIndex(v), expected[v]) << int(v);
    }
}

TEST(DecimalText, PlainDigitsPaddedOnlyWhenAsked) {
    EXPECT_EQ(device::DecimalText(0).View(), "0");
    EXPECT_EQ(device::DecimalText(2147483647).View(), "2147483647");
    EXPECT_EQ(device::DecimalText(258, 4).View(), "0258");
    EXPECT_EQ(device::DecimalText(0, 4).View(), "0000");
    EXPECT_EQ(device::DecimalText(12345, 4).View(), "12345");
}

TEST(TextToInt32, AcceptsSignedDecimalWholeNumbersOnly) {
    struct Case {
        const char* text;
        std::optional<std::int32_t> value;
    };
    for (const Case c :
         {Case{"0", 0}, Case{"65535", 65535}, Case{" 42 ", 42}, Case{"+7", 7}, Case{"-1", -1},
          Case{"2147483647", 2147483647}, Case{"-2147483648", -2147483647 - 1},
          Case{"2147483648", std::nullopt}, Case{"", std::nullopt}, Case{"  ", std::nullopt},
          Case{"abc", std::nullopt}, Case{"12a", std::nullopt}, Case{"1.5", std::nullopt},
          Case{"+-3", std::nullopt}, Case{"１２", std::nullopt}}) {
        EXPECT_EQ(device::TextToInt32(c.text), c.value) << "'" << c.text << "'";
    }
}

// The window holding the factory configuration, with preset 100000.
ui::WindowModel ExampleWindow() {
    ui::WindowModel w;
    w.SetText(Widget::Text1, "1");
    w.SetText(Widget::Text2, "4096");
    w.SetText(Widget::Text3, "4096");
    w.SetText(Widget::Text4, "3600");
    w.SetText(Widget::Text5, "3276");
    w.SetText(Widget::Text6, "0");
    w.SetText(Widget::Text7, "4096");
    w.SetText(Widget::Text8, "0");
    EXPECT_TRUE(w.SetSelectedIndex(Widget::Combo2, 5));
    EXPECT_TRUE(w.SetSelectedIndex(Widget::Combo8, 0));
    EXPECT_TRUE(w.SetSelectedIndex(Widget::Combo3, 0));
    EXPECT_TRUE(w.SetSelectedIndex(Widget::Combo4, 1));
    EXPECT_TRUE(w.SetSelectedIndex(Widget::Combo5, 0));
    EXPECT_TRUE(w.SetSelectedIndex(Widget::Combo6, 0));
    EXPECT_TRUE(w.SetSelectedIndex(Widget::Combo7, 0));
    return w;
}

rtu::FrameTable BuiltFrames() {
    rtu::FrameTable frames;
    frames.Build();
    return frames;
}

TEST(FillSaveConfigFrame, WorkedExampleByteForByte) {
    auto frames = BuiltFrames();
    const auto window = ExampleWindow();
    ASSERT_EQ(device::FillSaveConfigFrame(frames.SaveConfigFrame, window), std::nullopt);
    EXPECT_EQ(Bytes(frames.SaveConfigFrame.begin(), frames.SaveConfigFrame.end()),
              Hex("00 10 00 00 00 13 26 00 01 00 05 00 00 00 00 00 01 00 00 00 00 0E 10 00 00 "
                  "0C CC 00 00 00 00 10 00 00 00 10 00 00 00 10 00 00 00 00 00 97 CB"));
}

TEST(FillSaveConfigFrame, ListsGoOutAsTheirIndexWithAZeroHighByte) {
    auto frames = BuiltFrames();
    auto window = ExampleWindow();
    ASSERT_TRUE(window.SetSelectedIndex(Widget::Combo2, 2));
    ASSERT_TRUE(window.SetSelectedIndex(Widget::Combo8, 1));
    ASSERT_TRUE(window.SetSelectedIndex(Widget::Combo3, 2));
    ASSERT_TRUE(window.SetSelectedIndex(Widget::Combo5, 2));
    ASSERT_TRUE(window.SetSelectedIndex(Widget::Combo6, 1));
    ASSERT_TRUE(window.SetSelectedIndex(Widget::Combo7, 1));
    ASSERT_EQ(device::FillSaveConfigFrame(frames.SaveConfigFrame, window), std::nullopt);
    struct Reg {
        std::size_t at;
        std::uint8_t index;
    };
    for (const Reg r :
         {Reg{9, 2}, Reg{11, 1}, Reg{13, 2}, Reg{15, 1}, Reg{17, 2}, Reg{19, 1}, Reg{23, 1}}) {
        EXPECT_EQ(frames.SaveConfigFrame[r.at], 0) << "high byte at " << r.at;
        EXPECT_EQ(frames.SaveConfigFrame[r.at + 1], r.index) << "index at " << r.at + 1;
    }
    EXPECT_EQ(rtu::Crc16(frames.SaveConfigFrame, 45),
              frames.SaveConfigFrame[45] + 256 * frames.SaveConfigFrame[46]);
}

TEST(FillSaveConfigFrame, SixteenBitFieldLimits) {
    struct Case {
        const char* text;
        bool accepted;
        std::uint8_t high, low;
    };
    for (const Case c :
         {Case{"65535", true, 0xFF, 0xFF}, Case{"0", true, 0, 0}, Case{"258", true, 0x01, 0x02},
          Case{"65536", false, 0, 0}, Case{"-1", false, 0, 0}}) {
        auto frames = BuiltFrames();
        auto window = ExampleWindow();
        window.SetText(Widget::Text1, c.text);
        const auto failed = device::FillSaveConfigFrame(frames.SaveConfigFrame, window);
        if (c.accepted) {
            EXPECT_EQ(failed, std::nullopt) << c.text;
            EXPECT_EQ(frames.SaveConfigFrame[7], c.high) << c.text;
            EXPECT_EQ(frames.SaveConfigFrame[8], c.low) << c.text;
        } else {
            EXPECT_EQ(failed, Widget::Text1) << c.text;
        }
    }
}

TEST(FillSaveConfigFrame, NamesTheFirstFailingFieldAndLeavesTheFrameUntouched) {
    struct Case {
        Widget field;
        const char* text;  // nullptr: type into the list so it has no selection
    };
    for (const Case c :
         {Case{Widget::Text2, "-5"}, Case{Widget::Text3, "2147483648"}, Case{Widget::Text4, "x"},
          Case{Widget::Text6, ""}, Case{Widget::Text8, "-1"}, Case{Widget::Combo2, nullptr},
          Case{Widget::Combo7, nullptr}}) {
        auto frames = BuiltFrames();
        auto window = ExampleWindow();
        ASSERT_EQ(device::FillSaveConfigFrame(frames.SaveConfigFrame, window), std::nullopt);
        const auto before = frames.SaveConfigFrame;
        window.SetText(Widget::Text1, "9");  // would change bytes 7-8 if anything were written
        if (c.text != nullptr) {
            window.SetText(c.field, c.text);
        } else {
            window.SetText(c.field, "typed");
            window.ClearItems(c.field);  // stand-in for typing: no selection
        }
        EXPECT_EQ(device::FillSaveConfigFrame(frames.SaveConfigFrame, window), c.field)
            << ui::NameOf(c.field);
        EXPECT_EQ(frames.SaveConfigFrame, before) << ui::NameOf(c.field);
    }
}

TEST(FillSetPositionFrame, WorkedFrames) {
    struct Case {
        const char* text;
        const char* frame;
    };
    for (const Case c : {Case{"0", "00 10 00 13 00 02 04 00 00 00 00 B6 4A"},
                         Case{"100000", "00 10 00 13 00 02 04 00 01 86 A0 85 92"},
                         Case{"2147483647", "00 10 00 13 00 02 04 7F FF FF FF 9E 1E"}}) {
        auto frames = BuiltFrames();
        ui::WindowModel window;
        window.SetText(Widget::Text9, c.text);
        ASSERT_EQ(device::FillSetPositionFrame(frames.SetPositionFrame, window), std::nullopt);
        EXPECT_EQ(Bytes(frames.SetPositionFrame.begin(), frames.SetPositionFrame.end()),
                  Hex(c.frame))
            << c.text;
    }
}

TEST(FillSetPositionFrame, NegativeOrNonNumericFailsOnText9) {
    for (const char* text : {"-1", "abc", "", "2147483648"}) {
        auto frames = BuiltFrames();
        const auto before = frames.SetPositionFrame;
        ui::WindowModel window;
        window.SetText(Widget::Text9, text);
        EXPECT_EQ(device::FillSetPositionFrame(frames.SetPositionFrame, window), Widget::Text9)
            << text;
        EXPECT_EQ(frames.SetPositionFrame, before);
    }
}

}  // namespace
