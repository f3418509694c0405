// The 200 ms tick, the operator commands and the load timeout, through the window's logic in
// virtual time. Replies are scripted here; whole connections against the simulated transmitter
// are in the timeline tests.
#include <gtest/gtest.h>

#include "harness/Rig.h"
#include "harness/SimulatedDevice.h"

namespace {

using harness::Bytes;
using harness::Ms;
using harness::Rig;
using ui::Widget;

enum class Sent { Nothing, ReadAll, ReadPosition, ReadVersion, SaveConfig, SetPosition };

struct TickRow {
    std::uint8_t state;
    Sent sent;
    std::uint8_t stateAfter;
    const char* label;  // nullptr: Label18 untouched
};

TickRow ExpectedTick(int state) {
    switch (state) {
        case 1:
            return {1, Sent::ReadAll, 1, nullptr};
        case 2:
            return {2, Sent::ReadPosition, 2, nullptr};
        case 3:
            return {3, Sent::ReadAll, 2, "读取参数中"};
        case 4:
            return {4, Sent::SaveConfig, 2, "保存配置中"};
        case 5:
            return {5, Sent::SetPosition, 2, "置位中"};
        case 7:
            return {7, Sent::ReadAll, 2, "读取参数中"};
        case 9:
            return {9, Sent::ReadVersion, 9, nullptr};
        default:
            return {static_cast<std::uint8_t>(state), Sent::Nothing,
                    static_cast<std::uint8_t>(state), nullptr};
    }
}

Bytes FrameOf(const rtu::FrameTable& f, Sent sent) {
    switch (sent) {
        case Sent::ReadAll:
            return {f.ReadAllFrame.begin(), f.ReadAllFrame.end()};
        case Sent::ReadPosition:
            return {f.ReadPositionFrame.begin(), f.ReadPositionFrame.end()};
        case Sent::ReadVersion:
            return {f.ReadVersionFrame.begin(), f.ReadVersionFrame.end()};
        case Sent::SaveConfig:
            return {f.SaveConfigFrame.begin(), f.SaveConfigFrame.end()};
        case Sent::SetPosition:
            return {f.SetPositionFrame.begin(), f.SetPositionFrame.end()};
        case Sent::Nothing:
            break;
    }
    return {};
}

TEST(SchedulerTick, EveryPollStateValue) {
    for (int state = 0; state <= 255; ++state) {
        const TickRow row = ExpectedTick(state);
        Rig rig;
        rig.LoadAndOpen();
        rig.form.StateForTest().PollState = row.state;
        rig.window.SetCaption(Widget::Label18, "before");
        rig.serial.ClearRecords();
        rig.clock.AdvanceTo(Ms(200));

        const auto frames = rig.FramesWritten();
        if (row.sent == Sent::Nothing) {
            EXPECT_TRUE(frames.empty()) << "state " << state;
        } else {
            ASSERT_EQ(frames.size(), 1u) << "state " << state;
            EXPECT_EQ(frames[0], FrameOf(rig.form.Frames(), row.sent)) << "state " << state;
            EXPECT_EQ(rig.serial.Written()[0].at, Ms(200));
        }
        EXPECT_EQ(rig.form.PollState(), row.stateAfter) << "state " << state;
        EXPECT_EQ(rig.Caption(Widget::Label18), row.label ? row.label : "before")
            << "state " << state;
        EXPECT_EQ(rig.form.VersionPending(), 1) << "state " << state;
    }
}

TEST(SchedulerTick, RepeatingStatesSendOnEveryTickOneShotStatesOnce) {
    Rig rig;
    rig.LoadAndOpen();
    rig.form.StateForTest().PollState = 9;
    rig.clock.AdvanceTo(Ms(1000));
    EXPECT_EQ(rig.FramesWritten().size(), 5u);
    for (const auto& f : rig.FramesWritten()) {
        EXPECT_EQ(f, FrameOf(rig.form.Frames(), Sent::ReadVersion));
    }
}

// Selects the same entry in every configuration list, so that a save can fill its frame.
void SelectInEveryList(Rig& rig, int index) {
    for (Widget list : {Widget::Combo2, Widget::Combo3, Widget::Combo4, Widget::Combo5,
                        Widget::Combo6, Widget::Combo7, Widget::Combo8}) {
        ASSERT_TRUE(rig.window.SetSelectedIndex(list, index));
    }
}

// An open connection in steady polling with the command buttons enabled.
void Polling(Rig& rig) {
    rig.LoadAndOpen();
    rig.form.StateForTest().PollState = 2;
    rig.form.StateForTest().VersionPending = 0;
    for (Widget w : {Widget::Command2, Widget::Command3, Widget::Command4, Widget::Command5}) {
        rig.window.SetEnabled(w, true);
    }
    rig.clock.AdvanceTo(Ms(250));
    rig.serial.ClearRecords();
}

TEST(Commands, ReadArmsOneConfigurationRead) {
    Rig rig;
    Polling(rig);
    const int starts = rig.timer2.StartCount();
    ASSERT_TRUE(rig.Click(Widget::Command2));
    EXPECT_EQ(rig.form.PollState(), 3);
    EXPECT_EQ(rig.timer2.StartCount(), starts + 1);
    EXPECT_TRUE(rig.FramesWritten().empty()) << "commands never send";
    // Timer2 was running and keeps its phase: the read goes out at its next regular tick.
    rig.clock.AdvanceTo(Ms(399));
    EXPECT_TRUE(rig.FramesWritten().empty());
    rig.clock.AdvanceTo(Ms(400));
    ASSERT_EQ(rig.FramesWritten().size(), 1u);
    EXPECT_EQ(rig.FramesWritten()[0], FrameOf(rig.form.Frames(), Sent::ReadAll));
}

TEST(Commands, SaveSealsTheFrameAndArmsIt) {
    Rig rig;
    Polling(rig);
    rig.window.SetText(Widget::Text4, "1024");
    SelectInEveryList(rig, 1);
    ASSERT_TRUE(rig.Click(Widget::Command3));
    EXPECT_EQ(rig.form.PollState(), 4);
    EXPECT_EQ(rig.form.Frames().SaveConfigFrame[21], 0x04);
    EXPECT_EQ(rig.form.Frames().SaveConfigFrame[22], 0x00);
    rig.clock.AdvanceBy(Ms(200));
    ASSERT_EQ(rig.FramesWritten().size(), 1u);
    EXPECT_EQ(rig.FramesWritten()[0], FrameOf(rig.form.Frames(), Sent::SaveConfig));
    EXPECT_EQ(rig.Caption(Widget::Label18), "保存配置中");
    EXPECT_EQ(rig.form.PollState(), 2);
}

TEST(Commands, ClicksFasterThanATickDoNotHoldTheTicksOff) {
    // Both commands start Timer2. An operator clicking every 50 ms for a second still gets one
    // request on every regular tick, at 400, 600, ... 1200 ms.
    for (const Widget button : {Widget::Command2, Widget::Command3}) {
        Rig rig;
        Polling(rig);
        SelectInEveryList(rig, 0);
        for (harness::Micros at = Ms(250); at < Ms(1250); at += Ms(50)) {
            rig.clock.AdvanceTo(at);
            ASSERT_TRUE(rig.Click(button));
        }
        rig.clock.AdvanceTo(Ms(1250));
        std::vector<harness::Micros> sentAt;
        for (const auto& write : rig.serial.Written()) {
            sentAt.push_back(write.at);
        }
        EXPECT_EQ(sentAt,
                  (std::vector<harness::Micros>{Ms(400), Ms(600), Ms(800), Ms(1000), Ms(1200)}))
            << ui::NameOf(button);
    }
}

TEST(Commands, PresetArmsWithoutTouchingTimer2) {
    Rig rig;
    Polling(rig);
    const int starts = rig.timer2.StartCount();
    rig.window.SetText(Widget::Text9, "0");
    ASSERT_TRUE(rig.Click(Widget::Command4));
    EXPECT_EQ(rig.form.PollState(), 5);
    EXPECT_EQ(rig.timer2.StartCount(), starts);
    rig.clock.AdvanceTo(Ms(400));
    ASSERT_EQ(rig.FramesWritten().size(), 1u);
    EXPECT_EQ(rig.FramesWritten()[0], harness::Hex("00 10 00 13 00 02 04 00 00 00 00 B6 4A"));
    EXPECT_EQ(rig.Caption(Widget::Label18), "置位中");
}

TEST(Commands, AFieldThatDoesNotFitIsNamedFocusedAndNothingIsSent) {
    struct Case {
        Widget button;
        Widget field;
        const char* text;
        const char* message;
    };
    for (const Case c : {Case{Widget::Command3, Widget::Text1, "65536", "参数错误：通讯地址"},
                         Case{Widget::Command3, Widget::Text2, "-1", "参数错误：循环值"},
                         Case{Widget::Command3, Widget::Text7, "12.5", "参数错误：上限位置"},
                         Case{Widget::Command4, Widget::Text9, "-1", "参数错误：置位"}}) {
        Rig rig;
        Polling(rig);
        SelectInEveryList(rig, 0);
        const int starts = rig.timer2.StartCount();
        rig.window.SetText(c.field, c.text);
        ASSERT_TRUE(rig.Click(c.button));
        ASSERT_EQ(rig.message.Messages().size(), 1u) << c.message;
        EXPECT_EQ(rig.message.Messages()[0].text, c.message);
        EXPECT_EQ(rig.window.Focus(), c.field) << c.message;
        EXPECT_EQ(rig.form.PollState(), 2) << c.message;
        EXPECT_EQ(rig.timer2.StartCount(), starts) << c.message;
        rig.clock.AdvanceBy(Ms(1000));
        for (const auto& f : rig.FramesWritten()) {
            EXPECT_EQ(f, FrameOf(rig.form.Frames(), Sent::ReadPosition)) << c.message;
        }
    }
}

TEST(Commands, AListWithoutASelectionStopsTheSave) {
    Rig rig;
    Polling(rig);
    // Right after opening no list has a selection: the first one in register order is blamed.
    ASSERT_TRUE(rig.Click(Widget::Command3));
    ASSERT_EQ(rig.message.Messages().size(), 1u);
    EXPECT_EQ(rig.message.Messages()[0].text, "参数错误：通讯波特率");
    EXPECT_EQ(rig.window.Focus(), Widget::Combo2);
    EXPECT_EQ(rig.form.PollState(), 2);
}

TEST(Commands, AFailedSaveAfterAnArmedOneDoesNotCorruptTheArmedFrame) {
    Rig rig;
    Polling(rig);
    SelectInEveryList(rig, 0);
    ASSERT_TRUE(rig.Click(Widget::Command3));
    const auto armed = rig.form.Frames().SaveConfigFrame;
    rig.window.SetText(Widget::Text1, "7");
    rig.window.SetText(Widget::Text8, "-3");
    ASSERT_TRUE(rig.Click(Widget::Command3));
    EXPECT_EQ(rig.form.Frames().SaveConfigFrame, armed);
    rig.clock.AdvanceBy(Ms(200));
    ASSERT_EQ(rig.FramesWritten().size(), 1u);
    EXPECT_EQ(rig.FramesWritten()[0], Bytes(armed.begin(), armed.end()));
}

TEST(Commands, TwoCommandsBeforeATickOnlyTheSecondIsCarriedOut) {
    Rig rig;
    Polling(rig);
    rig.window.SetText(Widget::Text9, "5");
    ASSERT_TRUE(rig.Click(Widget::Command4));
    ASSERT_TRUE(rig.Click(Widget::Command2));
    rig.clock.AdvanceBy(Ms(200));
    ASSERT_EQ(rig.FramesWritten().size(), 1u);
    EXPECT_EQ(rig.FramesWritten()[0], FrameOf(rig.form.Frames(), Sent::ReadAll));
}

// The zero-calibration button is never shown, yet it is enabled and disabled with the other
// commands; Timer4 is never started.
TEST(Commands, ZeroCalibrationFollowsTheOtherCommandsButIsNeverShown) {
    Rig rig;
    harness::SimulatedDevice device{rig.clock, rig.serial};
    rig.LoadAndOpen();
    rig.clock.AdvanceTo(Ms(1000));
    ASSERT_TRUE(rig.window.IsEnabled(Widget::Command2));
    EXPECT_TRUE(rig.window.IsEnabled(Widget::Command5));
    EXPECT_FALSE(rig.window.IsVisible(Widget::Command5));
    EXPECT_FALSE(rig.Click(Widget::Command5));
    ASSERT_TRUE(rig.Click(Widget::Command1));
    EXPECT_FALSE(rig.window.IsEnabled(Widget::Command5));
    EXPECT_EQ(rig.timer4.StartCount(), 0);
}

TEST(LoadTimeout, NothingIsSentOrShownAgainWhileTheMessageIsUp) {
    Rig rig;
    rig.LoadAndOpen();
    rig.message.SetReadingTime(Ms(12000));  // the operator takes twelve seconds to press OK
    rig.clock.AdvanceTo(Ms(5000));
    EXPECT_EQ(rig.message.Messages().size(), 1u);
    EXPECT_EQ(rig.message.NestedCount(), 0) << "a second message came while the first was up";
    EXPECT_LE(rig.FramesWritten().size(), 25u);
    EXPECT_FALSE(rig.serial.IsOpen());
    rig.clock.AdvanceTo(Ms(30000));
    EXPECT_EQ(rig.message.Messages().size(), 1u);
    EXPECT_EQ(rig.message.NestedCount(), 0);
    EXPECT_FALSE(rig.serial.IsOpen()) << "the close is not a toggle";
}

TEST(LoadTimeout, ReopeningRunsTheTimeoutAgain) {
    Rig rig;
    rig.LoadAndOpen();
    rig.clock.AdvanceTo(Ms(5000));
    ASSERT_EQ(rig.message.Messages().size(), 1u);
    rig.clock.AdvanceTo(Ms(6000));
    ASSERT_TRUE(rig.Click(Widget::Command1));
    rig.clock.AdvanceTo(Ms(10999));
    EXPECT_EQ(rig.message.Messages().size(), 1u);
    rig.clock.AdvanceTo(Ms(11000));
    EXPECT_EQ(rig.message.Messages().size(), 2u);
}

}  // namespace
