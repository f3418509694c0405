#pragma once

#include <string>
#include <vector>

#include "app/Form1.h"
#include "harness/FakeSerialControl.h"
#include "harness/FakeTimer.h"
#include "harness/RecordingMessage.h"
#include "harness/VirtualClock.h"
#include "product/Timings.h"
#include "ui/WindowModel.h"

namespace harness {

// The window's logic on the display-less window, a fake port and fake timers, all in virtual
// time: the whole tool as a test sees it.
class Rig {
public:
    explicit Rig(rtu::PortNaming naming = rtu::PortNaming::Unix, rtu::TrafficTrace* trace = nullptr)
        : form({serial, window, message, timer1, timer2, timer3, naming, trace,
                [this](std::string_view line) { logged.emplace_back(line); }}) {
        timer1.OnTick([this] { form.Timer1_Timer(); });
        timer2.OnTick([this] { form.Timer2_Timer(); });
        timer3.OnTick([this] { form.Timer3_Timer(); });
        timer4.OnTick([this] { form.Timer4_Timer(); });
    }

    // The operator clicks a widget; delivered only to a visible, enabled button.
    bool Click(ui::Widget button) {
        if (ui::DefaultsOf(button).kind != ui::WidgetKind::Button || !window.CanClick(button)) {
            return false;
        }
        form.Click(button);
        return true;
    }

    // Loads the window with one port and opens it at the current time.
    void LoadAndOpen(const std::string& port = "ttyUSB0") {
        serial.AddPort(port);
        form.Form_Load();
        window.SetText(ui::Widget::Combo1, port);
        form.Command1_Click();
    }

    std::string Caption(ui::Widget w) const { return window.Text(w); }

    // Every frame written since the last ClearRecords, as bytes.
    std::vector<Bytes> FramesWritten() const {
        std::vector<Bytes> frames;
        for (const auto& f : serial.Written()) {
            frames.push_back(f.bytes);
        }
        return frames;
    }

    VirtualClock clock;
    FakeSerialControl serial{clock};
    ui::WindowModel window;
    RecordingMessage message{clock};
    FakeTimer timer1{clock, product::kReplySilenceMs};
    FakeTimer timer2{clock, product::kPollPeriodMs};
    FakeTimer timer3{clock, product::kLoadTimeoutMs};
    FakeTimer timer4{clock, product::kTimer4IntervalMs};
    std::vector<std::string> logged;  // the lines meant for stderr
    app::Form1 form;
};

// A frame from hex text such as "00 03 04 00 01 E2 40 F2 63".
Bytes Hex(std::string_view text);
// A reply body with its checksum appended.
Bytes Sealed(Bytes body);

}  // namespace harness
