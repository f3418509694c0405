#include "win32/Application.h"

#include "link/PortDetails.h"

namespace win32 {

using ui::Widget;

Application::Demo::Demo(rtu::SerialControl& system) : control(system, port) {
    pace.OnTick([this] { port.Tick(); });
    // The shaft turns a tenth of a turn a second at the factory resolution of 3600 counts a
    // turn, so that the live position moves.
    port.Update([](sim::Transmitter& device) { device.SetSpeed(360); });
}

Application::Application(const app::CommandLine& commandLine, rtu::TrafficTrace* trace)
    : trace_(trace),
      demo_(commandLine.demo ? std::make_unique<Demo>(systemPorts_) : nullptr),
      serial_(demo_ ? static_cast<rtu::SerialControl&>(demo_->control) : systemPorts_),
      message_(ui::DefaultsOf(Widget::Form1).text),
      form_(app::Outside{serial_, window_, message_, timer1_, timer2_, timer3_,
                         rtu::PortNaming::Windows, trace}) {
    message_.SetOwner(window_.Handle());
    timer1_.OnTick([this] { form_.Timer1_Timer(); });
    timer2_.OnTick([this] { form_.Timer2_Timer(); });
    timer3_.OnTick([this] { form_.Timer3_Timer(); });
    timer4_.OnTick([this] { form_.Timer4_Timer(); });
    window_.SetClickHandler([this](Widget button) { form_.Click(button); });
    window_.SetDropDownHandler([this](Widget list) {
        if (list == Widget::Combo1) {
            form_.Combo1_DropDown();
        }
    });
    window_.SetItemToolTips(Widget::Combo1, [this](std::string_view item) {
        return rtu::ToolTipOf(serial_.DetailsOf(item));
    });
    // The port of the command line, or the demo's, heads the port chooser and is selected.
    if (demo_) {
        form_.OfferPortFirst(std::string(app::kDemoPort));
    } else if (!commandLine.port.empty()) {
        form_.OfferPortFirst(commandLine.port);
    }
}

Application::~Application() {
    // The logic is destroyed before the control it listens to: nothing may reach it meanwhile.
    serial_.SetListener(nullptr);
    if (trace_ != nullptr && serial_.IsOpen()) {
        trace_->Close();
    }
    serial_.Close();
}

void Application::Start(int showCommand) {
    form_.Form_Load();
    window_.Show(showCommand);
}

}  // namespace win32
