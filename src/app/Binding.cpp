#include "app/Binding.h"

#include <string>

#include "app/DemoPort.h"
#include "link/NetworkAddress.h"
#include "link/PortDetails.h"
#include "product/Timings.h"

namespace app {

using ui::Widget;
using Use = seams::TimerFactory::Use;

Binding::Demo::Demo(std::unique_ptr<seams::Timer> clock) : pace(std::move(clock)), port(*pace) {
    pace->OnTick([this] { port.Tick(); });
    // The shaft turns a tenth of a turn a second at the factory resolution of 3600 counts a
    // turn, so that the live position moves.
    port.Update([](sim::Transmitter& device) { device.SetSpeed(360); });
}

Binding::Binding(const Toolkit& toolkit, const CommandLine& commandLine, rtu::TrafficTrace* trace)
    : trace_(trace),
      network_(toolkit.socket),
      demo_(commandLine.demo ? std::make_unique<Demo>(toolkit.timers.MakeTimer(1, Use::Other))
                             : nullptr),
      serial_(toolkit.systemPorts),
      timer1_(toolkit.timers.MakeTimer(product::kReplySilenceMs, Use::Wire)),
      timer2_(toolkit.timers.MakeTimer(product::kPollPeriodMs, Use::Wire)),
      timer3_(toolkit.timers.MakeTimer(product::kLoadTimeoutMs, Use::Wire)),
      timer4_(toolkit.timers.MakeTimer(product::kTimer4IntervalMs, Use::Other)),
      form_(Outside{serial_, toolkit.window, toolkit.message, *timer1_, *timer2_, *timer3_,
                    toolkit.naming, trace}) {
    // A name of theirs turns the port operations to them; any other goes to the system's ports.
    if (demo_) {
        serial_.Add(IsDemoPort, demo_->port);
    }
    serial_.Add(rtu::IsNetworkPortName, network_);
    timer1_->OnTick([this] { form_.Timer1_Timer(); });
    timer2_->OnTick([this] { form_.Timer2_Timer(); });
    timer3_->OnTick([this] { form_.Timer3_Timer(); });
    timer4_->OnTick([this] { form_.Timer4_Timer(); });
    toolkit.window.SetClickHandler([this](Widget button) { form_.Click(button); });
    toolkit.window.SetDropDownHandler([this](Widget list) {
        if (list == Widget::Combo1) {
            form_.Combo1_DropDown();
        }
    });
    toolkit.window.SetItemToolTips(Widget::Combo1, [this](std::string_view item) {
        return rtu::ToolTipOf(serial_.DetailsOf(item));
    });
    // The port of the command line, or the demo's, heads the port chooser and is selected.
    if (demo_) {
        form_.OfferPortFirst(std::string(kDemoPort));
    } else if (!commandLine.port.empty()) {
        form_.OfferPortFirst(commandLine.port);
    }
}

Binding::~Binding() {
    // The logic is destroyed before the control it listens to: nothing may reach it meanwhile.
    serial_.SetListener(nullptr);
    if (trace_ != nullptr && serial_.IsOpen()) {
        trace_->Close();
    }
    serial_.Close();
}

}  // namespace app
