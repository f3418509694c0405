// What each accepted reply does to the window and the scheduler's state. Replies are delivered
// to the open port between two ticks and handled 50 ms later.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "harness/Rig.h"

namespace {

using harness::Bytes;
using harness::Hex;
using harness::Ms;
using harness::Rig;
using harness::Sealed;
using ui::Widget;

// The factory configuration with preset 100000: registers 0..20.
using Registers = std::array<std::uint16_t, 21>;
constexpr Registers kExample{1, 5,    0, 0,    1, 0,    0, 3600, 0,      3276,  0,
                             0, 4096, 0, 4096, 0, 4096, 0, 0,    0x0001, 0x86A0};

Bytes ConfigReply(const Registers& regs, std::uint8_t address = 0) {
    Bytes body{address, 0x03, 42};
    for (std::uint16_t r : regs) {
        body.push_back(static_cast<std::uint8_t>(r >> 8));
        body.push_back(static_cast<std::uint8_t>(r & 0xFF));
    }
    return Sealed(body);
}

// An open port in the given state, 10 ms after a tick, so a reply is handled before the next one.
void At(Rig& rig, std::uint8_t pollState, std::uint8_t versionPending = 1) {
    rig.LoadAndOpen();
    rig.form.StateForTest().PollState = pollState;
    rig.form.StateForTest().VersionPending = versionPending;
    rig.clock.AdvanceTo(Ms(10));
    rig.serial.ClearRecords();
}

void Reply(Rig& rig, const Bytes& bytes) {
    rig.serial.Deliver(bytes);
    rig.clock.AdvanceBy(Ms(50));
}

bool CommandsEnabled(const Rig& rig) {
    return rig.window.IsEnabled(Widget::Command2) && rig.window.IsEnabled(Widget::Command3) &&
           rig.window.IsEnabled(Widget::Command4) && rig.window.IsEnabled(Widget::Command5);
}

TEST(ConfigurationReply, FactoryConfigurationReplyFillsEveryFieldAndAsksForTheStatus) {
    Rig rig;
    At(rig, 1);
    const Bytes factory = Hex(
        "00 03 2A 00 01 00 05 00 00 00 00 00 01 00 00 00 00 0E 10 00 00 0C CC 00 00 00 00 10 00 "
        "00 00 10 00 00 00 10 00 00 00 00 00 00 01 86 A0 A6 21");
    EXPECT_EQ(factory, ConfigReply(kExample));
    Reply(rig, factory);

    EXPECT_EQ(rig.window.SelectedIndex(Widget::Combo2), 5);
    EXPECT_EQ(rig.Caption(Widget::Combo2), "115200");
    EXPECT_EQ(rig.window.SelectedIndex(Widget::Combo4), 1);
    EXPECT_EQ(rig.window.SelectedIndex(Widget::Combo7), 0);
    EXPECT_EQ(rig.Caption(Widget::Text1), "1");
    EXPECT_EQ(rig.Caption(Widget::Text2), "4096");
    EXPECT_EQ(rig.Caption(Widget::Text4), "3600");
    EXPECT_EQ(rig.Caption(Widget::Text5), "3276");
    EXPECT_EQ(rig.Caption(Widget::Text8), "0");
    EXPECT_EQ(rig.Caption(Widget::Text9), "100000");
    EXPECT_EQ(rig.Caption(Widget::Label18), "配置参数读取成功");
    EXPECT_FALSE(rig.timer3.IsRunning());
    EXPECT_EQ(rig.form.PollState(), 7);
    ASSERT_EQ(rig.FramesWritten().size(), 1u);
    EXPECT_EQ(rig.FramesWritten()[0], Hex("00 03 00 17 00 03 B4 1E"));
    EXPECT_EQ(rig.serial.Written()[0].at, Ms(60)) << "sent at once, not on the next tick";
    EXPECT_FALSE(CommandsEnabled(rig)) << "the buttons wait for the status reply";
}

TEST(ConfigurationReply, OutsideTheLoadMovesTo8) {
    for (std::uint8_t state : {0, 2, 3, 8, 9}) {
        Rig rig;
        At(rig, state);
        Reply(rig, ConfigReply(kExample));
        EXPECT_EQ(rig.form.PollState(), 8) << int(state);
    }
}

TEST(ConfigurationReply, ListRegisters) {
    struct Case {
        const char* what;
        std::size_t reg;
        std::uint16_t value;
        Widget list;
        int index;  // -1: a decoding failure
    };
    for (const Case c :
         {Case{"baud high byte ignored", 1, 0x0102, Widget::Combo2, 2},
          Case{"baud 6 has no entry", 1, 6, Widget::Combo2, -1},
          Case{"protocol 3 is active", 3, 3, Widget::Combo3, 0},
          Case{"protocol 4 is passive", 3, 4, Widget::Combo3, 1},
          Case{"protocol 5 is MODBUS", 3, 5, Widget::Combo3, 2},
          Case{"protocol 6 has no entry", 3, 6, Widget::Combo3, -1},
          Case{"parity 3 has no entry", 2, 3, Widget::Combo8, -1},
          Case{"turn mode 2", 4, 2, Widget::Combo4, -1},
          Case{"work mode 3", 5, 3, Widget::Combo5, -1},
          Case{"direction 2", 6, 2, Widget::Combo6, -1}, Case{"gear 2", 8, 2, Widget::Combo7, -1},
          Case{"gear 1", 8, 1, Widget::Combo7, 1}}) {
        Rig rig;
        At(rig, 2);
        Registers regs = kExample;
        regs[c.reg] = c.value;
        Reply(rig, ConfigReply(regs));
        if (c.index >= 0) {
            EXPECT_EQ(rig.window.SelectedIndex(c.list), c.index) << c.what;
            EXPECT_EQ(rig.Caption(Widget::Label18), "配置参数读取成功") << c.what;
        } else {
            EXPECT_EQ(rig.Caption(Widget::Label18), "数据超范围溢出") << c.what;
            EXPECT_EQ(rig.form.PollState(), 2) << c.what;
            EXPECT_TRUE(rig.FramesWritten().empty()) << c.what << ": no status request";
        }
    }
}

TEST(ConfigurationReply, ProtocolReadAs4IsSavedAs1) {
    Rig rig;
    At(rig, 2);
    Registers regs = kExample;
    regs[3] = 4;
    Reply(rig, ConfigReply(regs));
    ASSERT_EQ(rig.Caption(Widget::Combo3), "被动");
    rig.window.SetEnabled(Widget::Command3, true);
    ASSERT_TRUE(rig.Click(Widget::Command3));
    EXPECT_EQ(rig.form.Frames().SaveConfigFrame[13], 0);
    EXPECT_EQ(rig.form.Frames().SaveConfigFrame[14], 1);
}

TEST(ConfigurationReply, ProtocolFailureStopsAfterTheBaudRate) {
    Rig rig;
    At(rig, 1);
    Registers regs = kExample;
    regs[1] = 2;
    regs[3] = 6;
    regs[7] = 999;
    Reply(rig, ConfigReply(regs));
    EXPECT_EQ(rig.Caption(Widget::Combo2), "19200") << "written before the failure";
    EXPECT_EQ(rig.window.SelectedIndex(Widget::Combo3), -1);
    EXPECT_EQ(rig.Caption(Widget::Text4), "3600") << "not reached";
    EXPECT_EQ(rig.form.PollState(), 2);
    EXPECT_TRUE(CommandsEnabled(rig));
}

TEST(ConfigurationReply, CycleValueOverflowDuringTheLoadRunsTheRecovery) {
    Rig rig;
    At(rig, 1);
    rig.window.SetText(Widget::Text2, "old2");
    rig.window.SetText(Widget::Text9, "old9");
    Registers regs = kExample;
    regs[11] = 0x8000;
    regs[12] = 0;
    regs[0] = 17;
    Reply(rig, ConfigReply(regs));
    EXPECT_EQ(rig.Caption(Widget::Text1), "17");
    EXPECT_EQ(rig.window.SelectedIndex(Widget::Combo8), 0);
    EXPECT_EQ(rig.Caption(Widget::Text2), "old2");
    EXPECT_EQ(rig.Caption(Widget::Text9), "old9");
    EXPECT_TRUE(rig.FramesWritten().empty());
    EXPECT_FALSE(rig.timer3.IsRunning());
    EXPECT_TRUE(CommandsEnabled(rig));
    EXPECT_EQ(rig.form.PollState(), 2);
    EXPECT_EQ(rig.form.VersionPending(), 1);
    EXPECT_EQ(rig.Caption(Widget::Label18), "数据超范围溢出");
}

// The twenty steps run in one fixed order: a step that fails leaves every earlier field changed
// and every later one as it was.
TEST(ConfigurationReply, AFailureAtEachStepLeavesEveryLaterFieldAsItWas) {
    struct Step {
        Widget field;
        std::size_t reg;    // the register (the first of a pair) the step reads
        bool list;          // a list gets entry 1 (protocol 1 is entry 1); a number `reg + 1`
        bool pair;          // a 32-bit number in reg, reg + 1
        std::uint16_t bad;  // a value of `reg` that fails the step; 0 when it cannot fail
    };
    constexpr Step kSteps[] = {
        {Widget::Combo2, 1, true, false, 6},      {Widget::Combo3, 3, true, false, 6},
        {Widget::Combo4, 4, true, false, 2},      {Widget::Combo5, 5, true, false, 3},
        {Widget::Combo6, 6, true, false, 2},      {Widget::Combo7, 8, true, false, 2},
        {Widget::Combo8, 2, true, false, 3},      {Widget::Text1, 0, false, false, 0},
        {Widget::Text2, 11, false, true, 0x8000}, {Widget::Text3, 13, false, true, 0x8000},
        {Widget::Text4, 7, false, false, 0},      {Widget::Text5, 9, false, false, 0},
        {Widget::Text6, 10, false, false, 0},     {Widget::Text7, 15, false, true, 0x8000},
        {Widget::Text8, 17, false, true, 0x8000}, {Widget::Text9, 19, false, true, 0x8000},
    };
    Registers fresh{};
    for (const Step& s : kSteps) {
        fresh[s.pair ? s.reg + 1 : s.reg] = s.list ? 1 : static_cast<std::uint16_t>(s.reg + 1);
    }
    auto isNew = [](const Rig& rig, const Step& s) {
        return s.list ? rig.window.SelectedIndex(s.field) == 1
                      : rig.Caption(s.field) == std::to_string(s.reg + 1);
    };
    auto isOld = [](const Rig& rig, const Step& s) {
        return s.list ? rig.window.SelectedIndex(s.field) == 0 : rig.Caption(s.field) == "old";
    };
    for (std::size_t failing = 0; failing < std::size(kSteps); ++failing) {
        if (kSteps[failing].bad == 0) {
            continue;  // a 16-bit number never fails; its neighbours pin its place
        }
        Rig rig;
        At(rig, 1);
        for (const Step& s : kSteps) {
            if (s.list) {
                ASSERT_TRUE(rig.window.SetSelectedIndex(s.field, 0));
            } else {
                rig.window.SetText(s.field, "old");
            }
        }
        Registers regs = fresh;
        regs[kSteps[failing].reg] = kSteps[failing].bad;
        Reply(rig, ConfigReply(regs));
        const char* failed = ui::NameOf(kSteps[failing].field).data();
        for (std::size_t i = 0; i < std::size(kSteps); ++i) {
            const Step& s = kSteps[i];
            if (i < failing) {
                EXPECT_TRUE(isNew(rig, s)) << ui::NameOf(s.field) << " before " << failed;
            } else {
                EXPECT_TRUE(isOld(rig, s)) << ui::NameOf(s.field) << " with " << failed;
            }
        }
        EXPECT_EQ(rig.Caption(Widget::Label18), "数据超范围溢出") << failed;
        EXPECT_TRUE(rig.FramesWritten().empty()) << failed << ": no status request";
    }
}

// While the load is still running (1: the configuration awaited, 7: the status awaited), any
// decoding failure ends it: Timer3 stops, the commands are enabled and polling starts.
TEST(Recovery, ADecodingFailureDuringTheLoadEndsIt) {
    Registers overflow = kExample;
    overflow[15] = 0x8000;
    const Bytes badPosition = Sealed(Hex("00 03 04 80 00 00 00"));
    for (const std::uint8_t state : {1, 7}) {
        for (const Bytes& reply : {ConfigReply(overflow), badPosition}) {
            Rig rig;
            At(rig, state);
            ASSERT_TRUE(rig.timer3.IsRunning());
            Reply(rig, reply);
            const std::string what = "state " + std::to_string(state) + ", " +
                                     (reply == badPosition ? "position" : "configuration");
            EXPECT_FALSE(rig.timer3.IsRunning()) << what;
            EXPECT_TRUE(CommandsEnabled(rig)) << what;
            EXPECT_EQ(rig.form.PollState(), 2) << what;
            EXPECT_EQ(rig.Caption(Widget::Label18), "数据超范围溢出") << what;
            EXPECT_EQ(rig.form.VersionPending(), 1) << what;
        }
    }
}

TEST(ConfigurationReply, OverflowAfterAReadLeavesTheStateAlone) {
    Rig rig;
    At(rig, 2);
    Registers regs = kExample;
    regs[11] = 0x8000;
    Reply(rig, ConfigReply(regs));
    EXPECT_EQ(rig.form.PollState(), 2);
    EXPECT_FALSE(CommandsEnabled(rig));
    EXPECT_TRUE(rig.timer3.IsRunning()) << "only the load's recovery stops the timeout";
    EXPECT_EQ(rig.Caption(Widget::Label18), "数据超范围溢出");
}

TEST(ConfigurationReply, FromAnotherSlaveAddressIsTakenAlike) {
    Rig rig;
    At(rig, 1);
    Reply(rig, ConfigReply(kExample, 0x01));
    EXPECT_EQ(rig.form.PollState(), 7);
    EXPECT_EQ(rig.Caption(Widget::Text9), "100000");
}

TEST(ConfigurationReply, HandledJustAfterTheCloseCannotAskForTheStatus) {
    Rig rig;
    At(rig, 1);
    rig.serial.Deliver(ConfigReply(kExample));
    rig.form.Command1_Click();  // closed 0 ms after the last byte
    rig.clock.AdvanceBy(Ms(50));
    EXPECT_EQ(rig.Caption(Widget::Text9), "100000");
    EXPECT_TRUE(rig.FramesWritten().empty());
    EXPECT_EQ(rig.Caption(Widget::Label18), "数据超范围溢出");
    EXPECT_FALSE(CommandsEnabled(rig));
    EXPECT_TRUE(rig.message.Messages().empty());
}

TEST(ConfigurationReply, FailingStatusRequestIsReportedAsAPortError) {
    Rig rig;
    At(rig, 1);
    rig.serial.FailWrites(true);
    Reply(rig, ConfigReply(kExample));
    ASSERT_EQ(rig.message.Messages().size(), 1u);
    EXPECT_EQ(rig.message.Messages()[0].text, "串口错误\n串口设备已断开（适配器被拔出或设备掉线）");
    EXPECT_FALSE(rig.serial.IsOpen());
    EXPECT_EQ(rig.form.PollState(), 0);
    EXPECT_EQ(rig.Caption(Widget::Label18), "串口关闭");
    EXPECT_FALSE(CommandsEnabled(rig));
}

TEST(PositionReply, ShowsThePositionAndDivertsToTheVersionOnce) {
    struct Case {
        std::uint8_t state;
        std::uint8_t versionPending;
        std::uint8_t stateAfter;
    };
    for (const Case c : {Case{2, 1, 9}, Case{4, 1, 9}, Case{5, 1, 9}, Case{2, 0, 2}, Case{4, 0, 4},
                         Case{8, 0, 8}}) {
        Rig rig;
        At(rig, c.state, c.versionPending);
        Reply(rig, Hex("00 03 04 00 01 E2 40 F2 63"));
        EXPECT_EQ(rig.Caption(Widget::Text10), "123456");
        EXPECT_EQ(rig.form.PollState(), c.stateAfter)
            << int(c.state) << "/" << int(c.versionPending);
    }
}

TEST(PositionReply, TopBitSetKeepsTheOldTextAndOnlySetsTheStatusLine) {
    Rig rig;
    At(rig, 2, 1);
    rig.window.SetText(Widget::Text10, "77");
    rig.window.SetEnabled(Widget::Command2, true);
    Reply(rig, Sealed(Hex("00 03 04 80 00 00 00")));
    EXPECT_EQ(rig.Caption(Widget::Text10), "77");
    EXPECT_EQ(rig.Caption(Widget::Label18), "数据超范围溢出");
    EXPECT_EQ(rig.form.PollState(), 2) << "the version is not reached";
    EXPECT_TRUE(rig.window.IsEnabled(Widget::Command2));
    EXPECT_FALSE(rig.window.IsEnabled(Widget::Command3));
}

TEST(StatusReply, PassWhenAnyByteIsSetAndButtonsOnlyDuringTheLoad) {
    struct Case {
        const char* reply;
        std::uint8_t state;
        const char* result;
        bool enables;
    };
    for (const Case c : {Case{"00 03 06 00 00 00 00 00 00 2C E5", 7, "Fail", true},
                         Case{"00 03 06 00 00 00 01 00 00 7D 25", 7, "Pass", true},
                         Case{"00 03 06 00 00 00 01 00 00 7D 25", 2, "Pass", false},
                         Case{"00 03 06 00 00 00 01 00 00 7D 25", 4, "Pass", false},
                         Case{"00 03 06 00 00 00 01 00 00 7D 25", 8, "Pass", false}}) {
        Rig rig;
        At(rig, c.state);
        rig.window.SetCaption(Widget::Label19, "before");
        Reply(rig, Hex(c.reply));
        EXPECT_EQ(rig.Caption(Widget::Label19), c.result) << c.reply;
        EXPECT_EQ(rig.form.PollState(), 2) << int(c.state);
        EXPECT_EQ(CommandsEnabled(rig), c.enables) << int(c.state);
    }
    for (std::size_t byte = 3; byte <= 8; ++byte) {
        Bytes body = Hex("00 03 06 00 00 00 00 00 00");
        body[byte] = 0x40;
        Rig rig;
        At(rig, 7);
        Reply(rig, Sealed(body));
        EXPECT_EQ(rig.Caption(Widget::Label19), "Pass") << "byte " << byte;
    }
}

TEST(VersionReply, AtLeastFourDigits) {
    struct Case {
        std::uint16_t version;
        const char* label;
    };
    for (const Case c : {Case{258, "Ver0258"}, Case{0, "Ver0000"}, Case{7, "Ver0007"},
                         Case{12345, "Ver12345"}, Case{65535, "Ver65535"}}) {
        Rig rig;
        At(rig, 9, 1);
        Reply(rig, Sealed({0x00, 0x03, 0x02, static_cast<std::uint8_t>(c.version >> 8),
                           static_cast<std::uint8_t>(c.version & 0xFF)}));
        EXPECT_EQ(rig.Caption(Widget::Label20), c.label);
        EXPECT_EQ(rig.form.VersionPending(), 0);
        EXPECT_EQ(rig.form.PollState(), 2);
    }
    EXPECT_EQ(Sealed(Hex("00 03 02 01 02")), Hex("00 03 02 01 02 05 D5"));
}

TEST(WriteReply, SaveAndPresetBothConfirmTheSave) {
    for (const char* reply : {"00 10 00 00 00 13 80 15", "00 10 00 13 00 02 B1 DC"}) {
        Rig rig;
        At(rig, 2);
        Reply(rig, Hex(reply));
        EXPECT_EQ(rig.Caption(Widget::Label18), "保存配置参数成功") << reply;
        EXPECT_EQ(rig.form.PollState(), 2);
    }
}

TEST(ExceptionReply, ActsOnlyWhileAStatusOrVersionReadIsPending) {
    struct Case {
        std::uint8_t state;
        std::uint8_t stateAfter;
        const char* label19;
        const char* label20;
        bool enables;
        std::uint8_t versionAfter;
    };
    for (const Case c : {Case{7, 2, "Unknow", "v", true, 1}, Case{8, 8, "Unknow", "v", false, 1},
                         Case{9, 2, "s", " ", false, 0}, Case{1, 1, "s", "v", false, 1},
                         Case{2, 2, "s", "v", false, 1}, Case{4, 4, "s", "v", false, 1}}) {
        Rig rig;
        At(rig, c.state, 1);
        rig.window.SetCaption(Widget::Label19, "s");
        rig.window.SetCaption(Widget::Label20, "v");
        Reply(rig, Hex("00 83 02 91 31"));
        EXPECT_EQ(rig.form.PollState(), c.stateAfter) << int(c.state);
        EXPECT_EQ(rig.Caption(Widget::Label19), c.label19) << int(c.state);
        EXPECT_EQ(rig.Caption(Widget::Label20), c.label20) << int(c.state);
        EXPECT_EQ(CommandsEnabled(rig), c.enables) << int(c.state);
        EXPECT_EQ(rig.form.VersionPending(), c.versionAfter) << int(c.state);
    }
}

TEST(OtherReplies, ChangeNothing) {
    for (const char* body :
         {"00 03 00", "00 03 08 00 00 00 00 00 00 00 01", "00 90 02", "00 04 02 00 01"}) {
        Rig rig;
        At(rig, 7);
        Reply(rig, Sealed(Hex(body)));
        EXPECT_EQ(rig.form.PollState(), 7) << body;
        EXPECT_EQ(rig.Caption(Widget::Label18), "正在加载配置参数") << body;
        EXPECT_EQ(rig.Caption(Widget::Label19), "Fail") << body;
        EXPECT_FALSE(CommandsEnabled(rig)) << body;
    }
    // A byte count of 40 is not a configuration reply either.
    Rig rig;
    At(rig, 1);
    Bytes forty{0x00, 0x03, 40};
    forty.resize(43, 0);
    Reply(rig, Sealed(forty));
    EXPECT_EQ(rig.form.PollState(), 1);
    EXPECT_TRUE(rig.FramesWritten().empty());
}

}  // namespace
