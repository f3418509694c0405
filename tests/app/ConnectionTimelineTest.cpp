// Whole connections in virtual time: the window's logic on the display-less window, talking to
// the simulated transmitter over a fake port with wire timing. Each test asserts what went on
// the wire, when, and what the window shows.
#include <gtest/gtest.h>

#include "harness/Rig.h"
#include "harness/SimulatedDevice.h"
#include "sim/Transmitter.h"

namespace {

using harness::Micros;
using harness::Ms;
using ui::Widget;

enum class Frame { ReadAll, ReadStatus, ReadPosition, ReadVersion, Save, Preset, Unknown };

const char* Name(Frame f) {
    switch (f) {
        case Frame::ReadAll:
            return "ReadAll";
        case Frame::ReadStatus:
            return "ReadStatus";
        case Frame::ReadPosition:
            return "ReadPosition";
        case Frame::ReadVersion:
            return "ReadVersion";
        case Frame::Save:
            return "Save";
        case Frame::Preset:
            return "Preset";
        case Frame::Unknown:
            break;
    }
    return "Unknown";
}

struct Sent {
    Micros at;
    Frame frame;
};

class Connection : public testing::Test {
protected:
    Frame Kind(const harness::Bytes& b) const {
        const auto& f = rig.form.Frames();
        auto is = [&b](const auto& frame) {
            return std::equal(b.begin(), b.end(), frame.begin(), frame.end());
        };
        if (is(f.ReadAllFrame))
            return Frame::ReadAll;
        if (is(f.ReadStatusFrame))
            return Frame::ReadStatus;
        if (is(f.ReadPositionFrame))
            return Frame::ReadPosition;
        if (is(f.ReadVersionFrame))
            return Frame::ReadVersion;
        if (b.size() == rtu::kSaveConfigFrameLength)
            return Frame::Save;
        if (b.size() == rtu::kSetPositionFrameLength)
            return Frame::Preset;
        return Frame::Unknown;
    }

    std::vector<Sent> Wire() const {
        std::vector<Sent> sent;
        for (const auto& w : rig.serial.Written()) {
            sent.push_back({w.at, Kind(w.bytes)});
        }
        return sent;
    }

    std::vector<Frame> Frames(Micros from = 0) const {
        std::vector<Frame> frames;
        for (const Sent& s : Wire()) {
            if (s.at >= from) {
                frames.push_back(s.frame);
            }
        }
        return frames;
    }

    std::string WireText() const {
        std::string text;
        for (const Sent& s : Wire()) {
            text += std::to_string(s.at) + "us " + Name(s.frame) + "\n";
        }
        return text;
    }

    bool CommandsEnabled() const {
        return rig.window.IsEnabled(Widget::Command2) && rig.window.IsEnabled(Widget::Command3) &&
               rig.window.IsEnabled(Widget::Command4) && rig.window.IsEnabled(Widget::Command5);
    }

    sim::Transmitter& Device() { return device.Device(); }
    void Faults(const sim::Faults& faults) { Device().SetFaults(faults); }

    harness::Rig rig;
    harness::SimulatedDevice device{rig.clock, rig.serial};
};

TEST_F(Connection, LifeOfAConnectionWithADeviceThatAnswersAtOnce) {
    rig.LoadAndOpen();
    rig.clock.AdvanceTo(Ms(399));
    EXPECT_TRUE(CommandsEnabled()) << "enabled by the status reply, before the first poll";
    EXPECT_EQ(rig.Caption(Widget::Label19), "Pass");
    rig.clock.AdvanceTo(Ms(1300));

    const auto wire = Wire();
    ASSERT_GE(wire.size(), 7u) << WireText();
    EXPECT_EQ(wire[0].at, Ms(200));
    EXPECT_EQ(wire[0].frame, Frame::ReadAll);
    // The configuration reply (47 bytes, ~4.1 ms after the request's 0.7 ms) is handled 50 ms
    // after its last byte, and the status request goes out in the same breath.
    EXPECT_EQ(wire[1].frame, Frame::ReadStatus);
    EXPECT_GT(wire[1].at, Ms(254));
    EXPECT_LT(wire[1].at, Ms(256));
    EXPECT_EQ(wire[2].at, Ms(400));
    EXPECT_EQ(wire[2].frame, Frame::ReadPosition);
    EXPECT_EQ(wire[3].at, Ms(600));
    EXPECT_EQ(wire[3].frame, Frame::ReadVersion);
    for (std::size_t i = 4; i < wire.size(); ++i) {
        EXPECT_EQ(wire[i].at, Ms(800 + 200 * static_cast<std::int64_t>(i - 4))) << WireText();
        EXPECT_EQ(wire[i].frame, Frame::ReadPosition) << WireText();
    }
    EXPECT_EQ(rig.form.VersionPending(), 0);
    EXPECT_EQ(rig.form.PollState(), 2);
    EXPECT_EQ(rig.Caption(Widget::Label20), "Ver0258");
    EXPECT_EQ(rig.Caption(Widget::Label18), "配置参数读取成功");
    EXPECT_EQ(rig.Caption(Widget::Combo2), "115200");
    EXPECT_EQ(rig.Caption(Widget::Combo4), "多圈");
    EXPECT_EQ(rig.Caption(Widget::Text4), "3600");
    EXPECT_TRUE(rig.message.Messages().empty());
}

TEST_F(Connection, LivePositionFollowsTheTurningShaft) {
    Device().SetSpeed(1000);  // counts per second
    rig.LoadAndOpen();
    rig.clock.AdvanceTo(Ms(900));
    const auto first = std::stol(rig.Caption(Widget::Text10));
    rig.clock.AdvanceTo(Ms(1900));
    const auto second = std::stol(rig.Caption(Widget::Text10));
    EXPECT_NEAR(second - first, 1000, 2);
}

TEST_F(Connection, SilentDeviceTimesOutAfterFiveSeconds) {
    Faults({.silentFor = sim::Scope::Every});
    rig.LoadAndOpen();
    rig.clock.AdvanceTo(Ms(6000));
    const auto frames = Frames();
    EXPECT_GE(frames.size(), 24u);
    EXPECT_LE(frames.size(), 25u);
    EXPECT_EQ(std::count(frames.begin(), frames.end(), Frame::ReadAll),
              static_cast<long>(frames.size()));
    ASSERT_EQ(rig.message.Messages().size(), 1u);
    EXPECT_EQ(rig.message.Messages()[0].at, Ms(5000));
    EXPECT_EQ(rig.message.Messages()[0].text, "配置参数加载失败，请检查设备后重试");
    EXPECT_FALSE(rig.serial.IsOpen());
    EXPECT_EQ(rig.Caption(Widget::Label18), "串口关闭");
    EXPECT_EQ(rig.Caption(Widget::Command1), "打开串口");
    EXPECT_EQ(rig.form.PollState(), 0);
}

TEST_F(Connection, ExceptionToTheLoadIsIgnoredUntilTheTimeout) {
    Faults({.exceptionFor = sim::Scope::ConfigurationRead});
    rig.LoadAndOpen();
    rig.clock.AdvanceTo(Ms(4900));
    EXPECT_EQ(rig.form.PollState(), 1);
    rig.clock.AdvanceTo(Ms(5000));
    EXPECT_EQ(rig.message.Messages().size(), 1u);
}

TEST_F(Connection, ClosingBeforeTheTimeoutShowsNoMessage) {
    Faults({.silentFor = sim::Scope::Every});
    rig.LoadAndOpen();
    rig.clock.AdvanceTo(Ms(3000));
    ASSERT_TRUE(rig.Click(Widget::Command1));
    rig.clock.AdvanceTo(Ms(20000));
    EXPECT_TRUE(rig.message.Messages().empty());
}

TEST_F(Connection, LateStatusReplyLeavesTheButtonsDisabled) {
    // Both answers 60 ms late: the status reply is handled after the 400 ms tick has found
    // state 7 and asked for the configuration again.
    Faults({.responseDelayUs = Ms(60)});
    rig.LoadAndOpen();
    rig.clock.AdvanceTo(Ms(420));
    EXPECT_EQ(rig.Caption(Widget::Label18), "读取参数中");
    rig.clock.AdvanceTo(Ms(2000));
    EXPECT_FALSE(CommandsEnabled());
    EXPECT_EQ(rig.Caption(Widget::Label19), "Pass");
    const auto frames = Frames();
    ASSERT_GE(frames.size(), 6u) << WireText();
    EXPECT_EQ(std::vector<Frame>(frames.begin(), frames.begin() + 6),
              (std::vector<Frame>{Frame::ReadAll, Frame::ReadStatus, Frame::ReadAll,
                                  Frame::ReadStatus, Frame::ReadPosition, Frame::ReadVersion}))
        << WireText();
    EXPECT_EQ(rig.Caption(Widget::Label20), "Ver0258");
    EXPECT_EQ(rig.form.PollState(), 2);
}

TEST_F(Connection, NoStatusReplyLeavesTheSchedulerSilent) {
    Faults({.silentFor = sim::Scope::StatusRead});
    rig.LoadAndOpen();
    rig.clock.AdvanceTo(Ms(3000));
    EXPECT_EQ(Frames(), (std::vector<Frame>{Frame::ReadAll, Frame::ReadStatus, Frame::ReadAll,
                                            Frame::ReadStatus}))
        << WireText();
    EXPECT_EQ(rig.form.PollState(), 8);
    EXPECT_FALSE(CommandsEnabled());
    EXPECT_EQ(rig.Caption(Widget::Label18), "配置参数读取成功");
    rig.clock.AdvanceTo(Ms(10000));
    EXPECT_TRUE(rig.message.Messages().empty()) << "the timeout was stopped by the configuration";
    EXPECT_TRUE(rig.serial.IsOpen());
}

TEST_F(Connection, ExceptionToTheStatusRequestStillEnablesTheButtons) {
    Faults({.exceptionFor = sim::Scope::StatusRead});
    rig.LoadAndOpen();
    rig.clock.AdvanceTo(Ms(1000));
    EXPECT_TRUE(CommandsEnabled());
    EXPECT_EQ(rig.Caption(Widget::Label19), "Unknow");
    EXPECT_EQ(Frames(),
              (std::vector<Frame>{Frame::ReadAll, Frame::ReadStatus, Frame::ReadPosition,
                                  Frame::ReadVersion, Frame::ReadPosition, Frame::ReadPosition}))
        << WireText();
}

TEST_F(Connection, UndecodableConfigurationEndsTheLoadWithoutStatus) {
    struct Case {
        const char* what;
        std::size_t reg;
        std::uint16_t value;
    };
    for (const Case c : {Case{"cycle value 80 00 00 00", 11, 0x8000}, Case{"protocol 6", 3, 6}}) {
        harness::Rig r;
        harness::SimulatedDevice d(r.clock, r.serial);
        d.Device().SetRegister(c.reg, c.value);
        r.LoadAndOpen();
        r.clock.AdvanceTo(Ms(1000));
        EXPECT_EQ(r.Caption(Widget::Label18), "数据超范围溢出") << c.what;
        EXPECT_TRUE(r.window.IsEnabled(Widget::Command3)) << c.what;
        EXPECT_FALSE(r.timer3.IsRunning()) << c.what;
        std::vector<harness::Bytes> frames = r.FramesWritten();
        ASSERT_GE(frames.size(), 3u) << c.what;
        EXPECT_EQ(frames[1], harness::Bytes(r.form.Frames().ReadPositionFrame.begin(),
                                            r.form.Frames().ReadPositionFrame.end()))
            << c.what << ": no status request";
        EXPECT_EQ(frames[2], harness::Bytes(r.form.Frames().ReadVersionFrame.begin(),
                                            r.form.Frames().ReadVersionFrame.end()))
            << c.what << ": the version is still read";
        EXPECT_EQ(r.Caption(Widget::Label20), "Ver0258") << c.what;
    }
}

TEST_F(Connection, PositionThatDoesNotFitKeepsTheVersionFromBeingRead) {
    Device().SetRegister(21, 0x8000);
    rig.LoadAndOpen();
    rig.clock.AdvanceTo(Ms(2000));
    const auto frames = Frames(Ms(400));
    EXPECT_EQ(std::count(frames.begin(), frames.end(), Frame::ReadVersion), 0) << WireText();
    EXPECT_EQ(std::count(frames.begin(), frames.end(), Frame::ReadPosition),
              static_cast<long>(frames.size()));
    EXPECT_EQ(rig.Caption(Widget::Label18), "数据超范围溢出");
    EXPECT_EQ(rig.Caption(Widget::Text10), "0");
    EXPECT_EQ(rig.form.PollState(), 2);
    EXPECT_TRUE(CommandsEnabled());
}

TEST_F(Connection, NoVersionReplyAsksForItOnEveryTick) {
    Faults({.silentFor = sim::Scope::VersionRead});
    rig.LoadAndOpen();
    rig.clock.AdvanceTo(Ms(2000));
    const auto frames = Frames(Ms(600));
    EXPECT_EQ(frames.size(), 8u) << WireText();
    EXPECT_EQ(std::count(frames.begin(), frames.end(), Frame::ReadVersion), 8) << WireText();
    EXPECT_EQ(rig.form.PollState(), 9);
}

TEST_F(Connection, ExceptionToTheVersionRequestBlanksTheLabelOnce) {
    Faults({.exceptionFor = sim::Scope::VersionRead});
    rig.LoadAndOpen();
    rig.clock.AdvanceTo(Ms(2000));
    EXPECT_EQ(rig.Caption(Widget::Label20), " ");
    EXPECT_EQ(rig.form.VersionPending(), 0);
    const auto frames = Frames();
    EXPECT_EQ(std::count(frames.begin(), frames.end(), Frame::ReadVersion), 1) << WireText();
}

TEST_F(Connection, ReopeningReadsTheVersionAgain) {
    rig.LoadAndOpen();
    rig.clock.AdvanceTo(Ms(1000));
    ASSERT_EQ(rig.form.VersionPending(), 0);
    ASSERT_TRUE(rig.Click(Widget::Command1));
    rig.clock.AdvanceTo(Ms(1500));
    ASSERT_TRUE(rig.Click(Widget::Command1));
    EXPECT_EQ(rig.form.VersionPending(), 1);
    rig.clock.AdvanceTo(Ms(3000));
    const auto frames = Frames(Ms(1500));
    EXPECT_EQ(std::count(frames.begin(), frames.end(), Frame::ReadVersion), 1) << WireText();
    EXPECT_EQ(rig.form.VersionPending(), 0);
}

// ---- operator commands during steady polling ----

class Commands : public Connection {
protected:
    void SetUp() override {
        rig.LoadAndOpen();
        rig.clock.AdvanceTo(Ms(1050));  // version read, polling, between two ticks
        ASSERT_TRUE(CommandsEnabled());
        ASSERT_EQ(rig.form.VersionPending(), 0);
        rig.serial.ClearRecords();
    }
};

TEST_F(Commands, ReadGivesOneConfigurationAndOneStatusThenPolling) {
    ASSERT_TRUE(rig.Click(Widget::Command2));
    rig.clock.AdvanceBy(Ms(1000));
    EXPECT_EQ(Frames(),
              (std::vector<Frame>{Frame::ReadAll, Frame::ReadStatus, Frame::ReadPosition,
                                  Frame::ReadPosition, Frame::ReadPosition, Frame::ReadPosition}))
        << WireText();
    EXPECT_EQ(rig.Caption(Widget::Label18), "配置参数读取成功");
    EXPECT_EQ(rig.form.PollState(), 2);
}

TEST_F(Commands, SaveWritesTheFieldsAndConfirms) {
    rig.window.SetText(Widget::Text4, "1024");
    ASSERT_TRUE(rig.window.Pick(Widget::Combo6, 1));
    ASSERT_TRUE(rig.Click(Widget::Command3));
    rig.clock.AdvanceTo(Ms(1210));
    EXPECT_EQ(rig.Caption(Widget::Label18), "保存配置中");
    rig.clock.AdvanceTo(Ms(1310));
    EXPECT_EQ(rig.Caption(Widget::Label18), "保存配置参数成功");
    EXPECT_EQ(Device().Register(7), 1024);
    EXPECT_EQ(Device().Register(6), 1);
    EXPECT_EQ(Device().Register(20), 0) << "the preset register is not part of a save";
    // Timer2 kept its rhythm: the save went out on the next regular tick, polling follows.
    rig.clock.AdvanceTo(Ms(1450));
    EXPECT_EQ(Frames(), (std::vector<Frame>{Frame::Save, Frame::ReadPosition})) << WireText();
    EXPECT_EQ(rig.serial.Written()[0].at, Ms(1200));
}

TEST_F(Commands, PresetMovesTheLivePosition) {
    rig.window.SetText(Widget::Text9, "5000");
    ASSERT_TRUE(rig.Click(Widget::Command4));
    // Timer2 keeps its rhythm: the preset goes out on the tick at 1200 ms.
    rig.clock.AdvanceTo(Ms(1201));
    EXPECT_EQ(rig.Caption(Widget::Label18), "置位中");
    EXPECT_EQ(rig.serial.Written().at(0).at, Ms(1200));
    rig.clock.AdvanceTo(Ms(1300));
    EXPECT_EQ(rig.Caption(Widget::Label18), "保存配置参数成功");
    rig.clock.AdvanceBy(Ms(300));
    EXPECT_EQ(rig.Caption(Widget::Text10), "5000");
    EXPECT_EQ(Device().Register(7), 3600) << "the configuration is not part of a preset";
}

TEST_F(Commands, ExceptionToAWriteKeepsTheProgressText) {
    Faults({.exceptionFor = sim::Scope::Write});
    rig.window.SetText(Widget::Text9, "1");
    ASSERT_TRUE(rig.Click(Widget::Command4));
    rig.clock.AdvanceBy(Ms(400));
    EXPECT_EQ(rig.Caption(Widget::Label18), "置位中");
    EXPECT_EQ(rig.form.PollState(), 2);
}

TEST_F(Commands, StatusReplyDuringASaveCancelsIt) {
    ASSERT_TRUE(rig.Click(Widget::Command2));
    // The read goes out on the tick at 1200 ms; its reply is handled at about 1255 ms and the
    // status request follows at once.
    rig.clock.AdvanceTo(Ms(1260));
    ASSERT_EQ(rig.form.PollState(), 8);
    ASSERT_TRUE(rig.Click(Widget::Command3));
    ASSERT_EQ(rig.form.PollState(), 4);
    rig.clock.AdvanceBy(Ms(1000));
    const auto frames = Frames();
    EXPECT_EQ(std::count(frames.begin(), frames.end(), Frame::Save), 0) << WireText();
}

TEST_F(Commands, PositionReplyWhileTheVersionIsPendingTurnsASaveIntoAVersionRead) {
    // Reopen at a quiet moment, and save right after the first position request of the new
    // connection.
    ASSERT_TRUE(rig.Click(Widget::Command1));
    rig.clock.AdvanceTo(Ms(1100));
    ASSERT_TRUE(rig.Click(Widget::Command1));
    const Micros opened = rig.clock.Now();
    rig.clock.AdvanceTo(opened + Ms(420));
    ASSERT_TRUE(CommandsEnabled());
    ASSERT_TRUE(rig.Click(Widget::Command3));
    rig.clock.AdvanceTo(opened + Ms(460));
    EXPECT_EQ(rig.form.PollState(), 9);
    rig.clock.AdvanceTo(opened + Ms(700));
    const auto frames = Frames(opened + Ms(500));
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames[0], Frame::ReadVersion) << WireText();
    EXPECT_EQ(std::count(frames.begin(), frames.end(), Frame::Save), 0) << WireText();
}

TEST_F(Commands, ExceptionInState8StopsPollingUntilACommand) {
    Faults({.exceptionFor = sim::Scope::StatusRead});
    ASSERT_TRUE(rig.Click(Widget::Command2));
    rig.clock.AdvanceBy(Ms(1000));
    EXPECT_EQ(Frames(), (std::vector<Frame>{Frame::ReadAll, Frame::ReadStatus})) << WireText();
    EXPECT_EQ(rig.form.PollState(), 8);
    EXPECT_EQ(rig.Caption(Widget::Label19), "Unknow");
    rig.window.SetText(Widget::Text9, "0");
    ASSERT_TRUE(rig.Click(Widget::Command4));
    rig.clock.AdvanceBy(Ms(1000));
    const auto frames = Frames();
    EXPECT_EQ(std::count(frames.begin(), frames.end(), Frame::Preset), 1) << WireText();
    EXPECT_EQ(frames.back(), Frame::ReadPosition) << WireText();
}

TEST_F(Commands, CorruptedRepliesAreDroppedAndPollingGoesOn) {
    Faults({.corruptEvery = 2});
    rig.window.SetText(Widget::Text10, "untouched");
    rig.clock.AdvanceBy(Ms(2000));
    EXPECT_EQ(Frames().size(), 10u);
    EXPECT_NE(rig.Caption(Widget::Text10), "untouched");
    EXPECT_EQ(rig.Caption(Widget::Label18), "配置参数读取成功");
}

}  // namespace

// A load that ends early leaves the hidden gear list without a selection: the operator picks
// every list there is to see, and the save is still refused on the gear, with a line that says
// where the value can be put right, and without sending the focus to a widget nobody sees. Once
// the device holds a value the window can show, reading again makes the save go through.
TEST_F(Connection, AGearTheWindowCannotShowIsExplainedAndReadingAgainMendsIt) {
    const std::string refusal =
        "参数错误：齿轮选择\n设备中的齿轮选择值无法在本窗口显示：请重新读取参数（读取参数），或用"
        "命令行工具设置该寄存器";
    struct Case {
        std::size_t reg;
        std::uint16_t value;
    };
    for (const Case c : {Case{sim::reg::kProtocol, 6}, Case{sim::reg::kGearSelection, 2}}) {
        harness::Rig r;
        harness::SimulatedDevice d{r.clock, r.serial};
        d.Device().SetRegister(c.reg, c.value);
        r.LoadAndOpen();
        r.clock.AdvanceTo(Ms(1050));
        ASSERT_EQ(r.Caption(Widget::Label18), "数据超范围溢出") << c.reg;
        ASSERT_EQ(r.window.SelectedIndex(Widget::Combo7), -1) << c.reg;
        for (Widget list : {Widget::Combo2, Widget::Combo3, Widget::Combo4, Widget::Combo5,
                            Widget::Combo6, Widget::Combo8}) {
            ASSERT_TRUE(r.window.Pick(list, 0)) << ui::NameOf(list);
        }
        const Widget focus = r.window.Focus();
        r.serial.ClearRecords();

        ASSERT_TRUE(r.Click(Widget::Command3));
        ASSERT_EQ(r.message.Messages().size(), 1u) << c.reg;
        EXPECT_EQ(r.message.Messages()[0].text, refusal);
        EXPECT_EQ(r.window.Focus(), focus) << "the focus stays where the operator left it";
        EXPECT_NE(r.form.PollState(), 4);
        r.clock.AdvanceBy(Ms(1000));
        for (const auto& frame : r.FramesWritten()) {
            EXPECT_NE(frame.size(), rtu::kSaveConfigFrameLength) << "a save went out";
        }

        d.Device().SetRegister(sim::reg::kProtocol, 0);
        d.Device().SetRegister(sim::reg::kGearSelection, 1);
        ASSERT_TRUE(r.Click(Widget::Command2));
        r.clock.AdvanceBy(Ms(1000));
        ASSERT_EQ(r.window.SelectedIndex(Widget::Combo7), 1) << c.reg;
        ASSERT_TRUE(r.Click(Widget::Command3));
        r.clock.AdvanceBy(Ms(1000));
        EXPECT_EQ(r.message.Messages().size(), 1u) << "the save is not refused again";
        EXPECT_EQ(r.Caption(Widget::Label18), "保存配置参数成功") << c.reg;
        EXPECT_EQ(d.Device().Register(sim::reg::kGearSelection), 1);
    }
}
