// The port chooser at start-up and the open/close button, on the display-less window.
#include <gtest/gtest.h>

#include <functional>

#include "harness/Rig.h"

namespace {

using harness::Ms;
using harness::Rig;
using ui::Widget;

TEST(PortList, NoOpenablePortGivesAnEmptyListAndOpenOnlyShowsTheError) {
    Rig rig(rtu::PortNaming::Windows);
    rig.form.Form_Load();
    EXPECT_TRUE(rig.window.Items(Widget::Combo1).empty());
    EXPECT_EQ(rig.window.SelectedIndex(Widget::Combo1), -1);
    EXPECT_EQ(rig.Caption(Widget::Combo1), "");

    ASSERT_TRUE(rig.Click(Widget::Command1));
    ASSERT_EQ(rig.message.Messages().size(), 1u);
    EXPECT_EQ(rig.message.Messages()[0].text, "串口错误\n未选择串口");
    EXPECT_EQ(rig.Caption(Widget::Command1), "打开串口");
    EXPECT_TRUE(rig.window.IsEnabled(Widget::Combo1));
    EXPECT_EQ(rig.Caption(Widget::Label18), "");
    EXPECT_FALSE(rig.timer2.IsRunning());
    EXPECT_FALSE(rig.timer3.IsRunning());
    EXPECT_EQ(rig.form.PollState(), 0);
    EXPECT_EQ(rig.form.VersionPending(), 1);
}

TEST(PortList, WindowsListsOpenablePortsInOrderAndClosesEveryProbe) {
    Rig rig(rtu::PortNaming::Windows);
    rig.serial.AddPort("COM7");
    rig.serial.AddPort("COM3");
    // Beyond the twenty probed: listed only when the system lists it, after them.
    rig.serial.AddPort("COM25", /*reportedBySystem=*/false);
    rig.serial.AddPort("COM22");
    rig.form.Form_Load();
    EXPECT_EQ(rig.window.Items(Widget::Combo1),
              (std::vector<std::string>{"COM3", "COM7", "COM22"}));
    EXPECT_EQ(rig.window.SelectedIndex(Widget::Combo1), 0);
    EXPECT_EQ(rig.Caption(Widget::Combo1), "COM3");
    EXPECT_EQ(rig.serial.OpenCount("COM25"), 0);
    for (const char* port : {"COM3", "COM7", "COM22"}) {
        EXPECT_EQ(rig.serial.OpenCount(port), 1) << port;
        EXPECT_EQ(rig.serial.CloseCount(port), 1) << port;
    }
    EXPECT_FALSE(rig.serial.IsOpen());
}

TEST(PortList, UnixListsReportedPortsInNaturalOrderLeavingOutBusyOnes) {
    Rig rig(rtu::PortNaming::Unix);
    for (const char* port : {"ttyUSB10", "ttyUSB2", "ttyS0", "ttyACM0"}) {
        rig.serial.AddPort(port);
    }
    rig.serial.SetBusy("ttyACM0", true);
    rig.serial.AddPort("/dev/pts/3", /*reportedBySystem=*/false);
    rig.form.Form_Load();
    EXPECT_EQ(rig.window.Items(Widget::Combo1),
              (std::vector<std::string>{"ttyS0", "ttyUSB2", "ttyUSB10"}));
    EXPECT_EQ(rig.Caption(Widget::Combo1), "ttyS0");
    EXPECT_EQ(rig.serial.OpenCount("ttyACM0"), 0);
}

TEST(FormLoad, LeavesTheWindowInItsStartState) {
    Rig rig;
    rig.serial.AddPort("ttyUSB0");
    rig.form.Form_Load();
    for (Widget w : {Widget::Command2, Widget::Command3, Widget::Command4, Widget::Command5}) {
        EXPECT_FALSE(rig.window.IsEnabled(w)) << ui::NameOf(w);
    }
    EXPECT_TRUE(rig.window.IsEnabled(Widget::Command1));
    EXPECT_EQ(rig.Caption(Widget::Command1), "打开串口");
    EXPECT_EQ(rig.Caption(Widget::Label19), "Fail");
    EXPECT_EQ(rig.form.PollState(), 0);
    EXPECT_EQ(rig.form.VersionPending(), 1);
    for (auto* t : {&rig.timer1, &rig.timer2, &rig.timer3, &rig.timer4}) {
        EXPECT_FALSE(t->IsRunning());
    }
    EXPECT_EQ(rig.form.Frames().ReadAllFrame[7], 0xD4) << "frames are built first";
}

TEST(OpenPort, RunsTheOpenStepsAt115200N81WhateverTheListsShow) {
    Rig rig;
    rig.serial.AddPort("ttyUSB0");
    rig.form.Form_Load();
    ASSERT_TRUE(rig.window.SetSelectedIndex(Widget::Combo2, 0));  // "4800"
    ASSERT_TRUE(rig.window.SetSelectedIndex(Widget::Combo8, 2));  // "EVEN"
    ASSERT_TRUE(rig.Click(Widget::Command1));

    EXPECT_TRUE(rig.serial.IsOpen());
    EXPECT_EQ(rig.serial.OpenPort(), "ttyUSB0");
    EXPECT_EQ(rig.serial.SettingsAtOpen(), (rtu::LineSettings{115200, rtu::Parity::None, 8, 1}));
    EXPECT_EQ(rig.Caption(Widget::Command1), "关闭串口");
    EXPECT_FALSE(rig.window.IsEnabled(Widget::Combo1));
    EXPECT_TRUE(rig.timer2.IsRunning());
    EXPECT_TRUE(rig.timer3.IsRunning());
    EXPECT_EQ(rig.form.PollState(), 1);
    EXPECT_EQ(rig.form.VersionPending(), 1);
    EXPECT_EQ(rig.Caption(Widget::Label18), "正在加载配置参数");
    EXPECT_TRUE(rig.message.Messages().empty());
}

TEST(OpenPort, TypedDevicePathOpensAPortThatIsNotListed) {
    Rig rig;
    rig.serial.AddPort("/dev/pts/4", false);
    rig.form.Form_Load();
    ASSERT_TRUE(rig.window.Type(Widget::Combo1, "/dev/pts/4"));
    ASSERT_TRUE(rig.Click(Widget::Command1));
    EXPECT_EQ(rig.serial.OpenPort(), "/dev/pts/4");
}

TEST(OpenPort, FailureChangesNothingButShowsTheError) {
    struct Case {
        const char* text;
        bool busy;
        const char* message;
    };
    for (const Case c : {Case{"ttyUSB0", true, "串口错误\n串口已被其他程序占用"},
                         Case{"ttyUSB9", false, "串口错误\n找不到该串口"},
                         Case{"", false, "串口错误\n未选择串口"}}) {
        Rig rig;
        rig.serial.AddPort("ttyUSB0");
        rig.serial.SetBusy("ttyUSB0", c.busy);
        rig.form.Form_Load();
        rig.window.SetText(Widget::Combo1, c.text);
        ASSERT_TRUE(rig.Click(Widget::Command1));
        ASSERT_EQ(rig.message.Messages().size(), 1u) << c.text;
        EXPECT_EQ(rig.message.Messages()[0].text, c.message);
        EXPECT_EQ(rig.logged.size(), 1u) << "the cause in English on stderr";
        EXPECT_FALSE(rig.serial.IsOpen());
        EXPECT_EQ(rig.Caption(Widget::Command1), "打开串口");
        EXPECT_TRUE(rig.window.IsEnabled(Widget::Combo1));
        EXPECT_FALSE(rig.timer2.IsRunning());
        EXPECT_EQ(rig.form.PollState(), 0);
    }
}

TEST(ClosePort, RunsTheCloseStepsAndKeepsTheVersionFlag) {
    Rig rig;
    rig.LoadAndOpen();
    rig.form.StateForTest().VersionPending = 0;
    rig.window.SetEnabled(Widget::Command2, true);
    ASSERT_TRUE(rig.Click(Widget::Command1));
    EXPECT_FALSE(rig.serial.IsOpen());
    EXPECT_EQ(rig.Caption(Widget::Command1), "打开串口");
    EXPECT_TRUE(rig.window.IsEnabled(Widget::Combo1));
    EXPECT_FALSE(rig.timer2.IsRunning());
    EXPECT_FALSE(rig.timer3.IsRunning());
    for (Widget w : {Widget::Command2, Widget::Command3, Widget::Command4, Widget::Command5}) {
        EXPECT_FALSE(rig.window.IsEnabled(w));
    }
    EXPECT_EQ(rig.Caption(Widget::Label18), "串口关闭");
    EXPECT_EQ(rig.form.PollState(), 0);
    EXPECT_EQ(rig.form.VersionPending(), 0);
}

// Every step of the open and the close, in the order it happens: the window's operations, the
// timers and the port, written into one journal.
class Journal {
public:
    void Add(std::string entry) { entries.push_back(std::move(entry)); }
    std::vector<std::string> entries;
};

class JournalWindow : public ui::WindowModel {
public:
    explicit JournalWindow(Journal& journal) : journal_(journal) {}
    void SetCaption(Widget w, std::string_view caption) override {
        journal_.Add(std::string(ui::NameOf(w)) + "=" + std::string(caption));
        WindowModel::SetCaption(w, caption);
    }
    void SetEnabled(Widget w, bool enabled) override {
        journal_.Add(std::string(enabled ? "enable " : "disable ") + std::string(ui::NameOf(w)));
        WindowModel::SetEnabled(w, enabled);
    }

private:
    Journal& journal_;
};

class JournalTimer : public harness::FakeTimer {
public:
    JournalTimer(harness::VirtualClock& clock, int ms, std::string name, Journal& journal)
        : FakeTimer(clock, ms), name_(std::move(name)), journal_(journal) {}
    void Start() override {
        journal_.Add("start " + name_);
        FakeTimer::Start();
    }
    void Stop() override {
        journal_.Add("stop " + name_);
        FakeTimer::Stop();
    }

private:
    std::string name_;
    Journal& journal_;
};

TEST(PortSteps, OpenAndCloseRunTheirStepsInOrder) {
    Journal journal;
    harness::VirtualClock clock;
    harness::FakeSerialControl serial(clock);
    serial.AddPort("ttyUSB0");
    JournalWindow window(journal);
    harness::RecordingMessage message(clock);
    JournalTimer timer1(clock, 50, "Timer1", journal);
    JournalTimer timer2(clock, 200, "Timer2", journal);
    JournalTimer timer3(clock, 5000, "Timer3", journal);
    app::Form1 form({serial, window, message, timer1, timer2, timer3, rtu::PortNaming::Unix});
    form.Form_Load();
    journal.entries.clear();

    form.Command1_Click();
    EXPECT_EQ(journal.entries,
              (std::vector<std::string>{"Command1=关闭串口", "disable Combo1", "start Timer2",
                                        "start Timer3", "Label18=正在加载配置参数"}));
    EXPECT_EQ(serial.Calls(),
              (std::vector<std::string>{"Open ttyUSB0", "Close ttyUSB0", "Open ttyUSB0"}));
    journal.entries.clear();

    form.Command1_Click();
    EXPECT_EQ(journal.entries, (std::vector<std::string>{
                                   "Command1=打开串口", "enable Combo1", "stop Timer2",
                                   "stop Timer3", "disable Command2", "disable Command3",
                                   "disable Command4", "disable Command5", "Label18=串口关闭"}));
    EXPECT_EQ(serial.Calls().back(), "Close ttyUSB0");
    EXPECT_EQ(form.PollState(), 0);
}

TEST(PortFailure, WriteErrorIsReportedOnceAndClosesThePort) {
    Rig rig;
    rig.LoadAndOpen();
    rig.serial.FailWrites(true);
    rig.message.SetReadingTime(Ms(3000));  // timers keep running while the message is up
    rig.clock.AdvanceTo(Ms(10000));
    ASSERT_EQ(rig.message.Messages().size(), 1u);
    EXPECT_EQ(rig.message.Messages()[0].text, "串口错误\n串口设备已断开（适配器被拔出或设备掉线）");
    EXPECT_EQ(rig.message.Messages()[0].at, Ms(200));
    EXPECT_FALSE(rig.serial.IsOpen());
    EXPECT_EQ(rig.Caption(Widget::Command1), "打开串口");
    EXPECT_EQ(rig.Caption(Widget::Label18), "串口关闭");
    EXPECT_EQ(rig.form.PollState(), 0);
    EXPECT_FALSE(rig.timer2.IsRunning());
    EXPECT_FALSE(rig.timer3.IsRunning());
}

TEST(PortFailure, AdapterPulledIsReportedOnceAndTheWindowStaysUsable) {
    Rig rig;
    rig.LoadAndOpen();
    rig.clock.AdvanceTo(Ms(300));
    rig.serial.RaiseError(rtu::SerialError::DeviceGone);
    rig.serial.RaiseError(rtu::SerialError::DeviceGone);  // the control repeats itself
    ASSERT_EQ(rig.message.Messages().size(), 1u);
    EXPECT_EQ(rig.message.Messages()[0].text, "串口错误\n串口设备已断开（适配器被拔出或设备掉线）");
    ASSERT_EQ(rig.logged.size(), 1u);
    EXPECT_NE(rig.logged[0].find("/dev/ttyUSB0"), std::string::npos) << rig.logged[0];
    EXPECT_FALSE(rig.serial.IsOpen());
    EXPECT_EQ(rig.form.PollState(), 0);
    // And the operator can open again.
    ASSERT_TRUE(rig.Click(Widget::Command1));
    EXPECT_TRUE(rig.serial.IsOpen());
    EXPECT_EQ(rig.form.PollState(), 1);
}

}  // namespace

namespace {

// A user outside the device file's group: the start-up probe leaves the port out and says so
// once on stderr; opening it, or opening with the empty list, names the group in the message.
TEST(PortPermission, ForbiddenPortsAreNamedOnceAndTheMessageSaysWhichGroupToJoin) {
    const std::string hint = "没有权限打开 /dev/ttyUSB0：请把当前用户加入 uucp 组，然后重新登录";
    Rig rig;
    rig.serial.AddPort("ttyUSB0");
    rig.serial.SetForbidden("ttyUSB0", "uucp");
    rig.form.Form_Load();
    EXPECT_TRUE(rig.window.Items(Widget::Combo1).empty());
    ASSERT_EQ(rig.logged.size(), 1u);
    EXPECT_NE(rig.logged[0].find("/dev/ttyUSB0 (group uucp)"), std::string::npos) << rig.logged[0];

    ASSERT_TRUE(rig.Click(Widget::Command1));  // the empty list
    ASSERT_TRUE(rig.window.Type(Widget::Combo1, "ttyUSB0"));
    ASSERT_TRUE(rig.Click(Widget::Command1));
    ASSERT_EQ(rig.message.Messages().size(), 2u);
    for (const auto& shown : rig.message.Messages()) {
        EXPECT_EQ(shown.text, "串口错误\n" + hint);
    }
    EXPECT_FALSE(rig.serial.IsOpen());
    EXPECT_EQ(rig.form.PollState(), 0);

    // A second probe (the drop-down) finds the same refusal and does not repeat the start-up line.
    rig.form.Combo1_DropDown();
    EXPECT_EQ(rig.logged.size(), 3u) << "start-up line plus one line per failed open";
}

// A text that names no port has no known cause: the bare message, as before.
TEST(PortPermission, UnreadableTextGivesTheBareMessage) {
    Rig rig(rtu::PortNaming::Windows);
    rig.form.Form_Load();
    rig.window.SetText(Widget::Combo1, "COMx");
    ASSERT_TRUE(rig.Click(Widget::Command1));
    ASSERT_EQ(rig.message.Messages().size(), 1u);
    EXPECT_EQ(rig.message.Messages()[0].text, "串口错误");
}

// Opening the drop-down while the port is closed lists ports plugged in since start-up, and the
// text the operator typed or picked stays.
TEST(PortDropDown, ProbesAgainKeepingTheOperatorsText) {
    struct Case {
        const char* name;
        std::function<void(Rig&)> operatorDoes;
        std::string text;
        int selected;
    };
    const Case cases[] = {
        {"picked entry stays selected",
         [](Rig& r) { ASSERT_TRUE(r.window.Pick(Widget::Combo1, 0)); }, "ttyUSB1", 1},
        {"typed text stays, unselected",
         [](Rig& r) { ASSERT_TRUE(r.window.Type(Widget::Combo1, "/dev/serial/by-id/usb-x")); },
         "/dev/serial/by-id/usb-x", -1},
        {"typed name of a listed port stays unselected",
         [](Rig& r) { ASSERT_TRUE(r.window.Type(Widget::Combo1, "ttyUSB0")); }, "ttyUSB0", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        rig.serial.AddPort("ttyUSB1");
        rig.form.Form_Load();
        c.operatorDoes(rig);
        rig.serial.AddPort("ttyUSB0");  // plugged in later
        rig.serial.ClearRecords();
        rig.form.Combo1_DropDown();
        EXPECT_EQ(rig.window.Items(Widget::Combo1),
                  (std::vector<std::string>{"ttyUSB0", "ttyUSB1"}));
        EXPECT_EQ(rig.Caption(Widget::Combo1), c.text);
        EXPECT_EQ(rig.window.SelectedIndex(Widget::Combo1), c.selected);
        EXPECT_EQ(rig.serial.CloseCount("ttyUSB0"), 1) << "probed, and closed again";
        EXPECT_FALSE(rig.serial.IsOpen());
    }
}

TEST(PortDropDown, ProbesNothingWhileThePortIsOpen) {
    Rig rig;
    rig.LoadAndOpen("ttyUSB1");
    rig.serial.AddPort("ttyUSB0");
    rig.serial.ClearRecords();
    rig.form.Combo1_DropDown();
    EXPECT_TRUE(rig.serial.Calls().empty());
    EXPECT_EQ(rig.window.Items(Widget::Combo1), (std::vector<std::string>{"ttyUSB1"}));
    EXPECT_TRUE(rig.serial.IsOpen());
}

}  // namespace
