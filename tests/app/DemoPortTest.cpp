#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/DemoPort.h"
#include "app/Form1.h"
#include "harness/FakeSerialControl.h"
#include "harness/FakeTimer.h"
#include "harness/RecordingMessage.h"
#include "harness/VirtualClock.h"
#include "link/PortRouter.h"
#include "sim/InProcessPort.h"
#include "ui/WindowModel.h"

namespace {

using harness::Ms;
using ui::Widget;

// The window's logic in demo mode: the system's ports with the in-process simulated transmitter
// beside them as SIM1, in virtual time.
struct DemoRig {
    explicit DemoRig(rtu::PortNaming naming = rtu::PortNaming::Unix)
        : form({control, window, message, timer1, timer2, timer3, naming, nullptr,
                [this](std::string_view line) { logged.emplace_back(line); }}) {
        system.AddPort("ttyUSB0");
        control.Add(app::IsDemoPort, demo);
        pace.OnTick([this] { demo.Tick(); });
        timer1.OnTick([this] { form.Timer1_Timer(); });
        timer2.OnTick([this] { form.Timer2_Timer(); });
        timer3.OnTick([this] { form.Timer3_Timer(); });
        form.OfferPortFirst(std::string(app::kDemoPort));
        form.Form_Load();
    }

    harness::VirtualClock clock;
    harness::FakeSerialControl system{clock};
    harness::FakeTimer pace{clock, 1};
    sim::InProcessPort demo{pace, [this] { return clock.Now(); }};
    rtu::PortRouter control{system};
    ui::WindowModel window;
    harness::RecordingMessage message{clock};
    harness::FakeTimer timer1{clock, 50};
    harness::FakeTimer timer2{clock, 200};
    harness::FakeTimer timer3{clock, 5000};
    std::vector<std::string> logged;
    app::Form1 form;
};

// SIM1 heads the list and is selected; opening it loads the simulated transmitter as a device on
// a port would be loaded, and the system's ports stay untouched meanwhile. On Windows too, where
// a name is otherwise read as COM and a number ("SIM1" would be COM1).
TEST(DemoPort, SIM1IsOfferedFirstAndLoadsTheSimulatedTransmitter) {
    for (const rtu::PortNaming naming : {rtu::PortNaming::Unix, rtu::PortNaming::Windows}) {
        DemoRig rig(naming);
        const std::string what = naming == rtu::PortNaming::Unix ? "Unix" : "Windows";
        EXPECT_EQ(rig.window.Items(Widget::Combo1).front(), "SIM1") << what;
        EXPECT_EQ(rig.window.Text(Widget::Combo1), "SIM1") << what;

        rig.form.Command1_Click();
        rig.clock.AdvanceBy(Ms(1000));
        EXPECT_EQ(rig.window.Text(Widget::Label19), "Pass") << what;
        EXPECT_EQ(rig.window.Text(Widget::Label20).rfind("Ver", 0), 0U)
            << what << ": " << rig.window.Text(Widget::Label20);
        EXPECT_TRUE(rig.window.IsEnabled(Widget::Command3)) << what;
        EXPECT_TRUE(rig.message.Messages().empty()) << what;
        EXPECT_TRUE(rig.system.Written().empty()) << what;
    }
}

// Any other name goes to the system's ports: after SIM1 is closed, ttyUSB0 opens on the system's
// control and the demo hears nothing; the tooltip of SIM1 says what it is, in any letter case.
TEST(DemoPort, OtherNamesGoToTheSystemsPorts) {
    DemoRig rig;
    rig.form.Command1_Click();  // SIM1 opens
    ASSERT_TRUE(rig.control.IsOpen());
    rig.form.Command1_Click();  // and closes
    ASSERT_FALSE(rig.control.IsOpen());

    rig.window.SetText(Widget::Combo1, "ttyUSB0");
    rig.form.Command1_Click();
    EXPECT_TRUE(rig.system.IsOpen());
    EXPECT_FALSE(rig.demo.IsOpen());
    rig.clock.AdvanceBy(Ms(300));
    EXPECT_FALSE(rig.system.Written().empty());

    for (const std::string name : {"SIM1", "sim1"}) {
        const rtu::PortDetails details = rig.control.DetailsOf(name);
        EXPECT_EQ(details.description, std::string_view("内置模拟变送器（演示）")) << name;
        EXPECT_EQ(rtu::ToolTipOf(details), std::string_view("内置模拟变送器（演示）")) << name;
    }
}

}  // namespace
