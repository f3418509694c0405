#include "app/Application.h"

#include <algorithm>

namespace app {

using ui::Widget;

Application::Application(const CommandLine& commandLine, rtu::TrafficTrace* trace)
    : port_(commandLine.port),
      trace_(trace),
      form_(Outside{serial_, window_, message_, timer1_, timer2_, timer3_, rtu::kHostPortNaming,
                    trace}) {
    timer1_.OnTick([this] { form_.Timer1_Timer(); });
    timer2_.OnTick([this] { form_.Timer2_Timer(); });
    timer3_.OnTick([this] { form_.Timer3_Timer(); });
    timer4_.OnTick([this] { form_.Timer4_Timer(); });
    window_.SetClickHandler([this](Widget button) { form_.Click(button); });

    if (commandLine.demo) {
        // The simulated transmitter serves a pseudo-terminal; its path is offered first in
        // Combo1, like a port given with --port. Its shaft turns a tenth of a turn a second at
        // the factory resolution of 3600 counts a turn, so that the live position moves.
        demo_ = std::make_unique<sim::PtyServer>();
        demo_->Update([](sim::Transmitter& device) { device.SetSpeed(360); });
        demo_->Start();
        port_ = demo_->Path();
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

void Application::Start() {
    form_.Form_Load();
    if (!port_.empty()) {
        OfferPortFirst(port_);
    }
    window_.show();
}

void Application::OfferPortFirst(const std::string& port) {
    std::vector<std::string> others = window_.Items(Widget::Combo1);
    std::erase(others, port);
    window_.ClearItems(Widget::Combo1);
    window_.AddItem(Widget::Combo1, port);
    for (const std::string& item : others) {
        window_.AddItem(Widget::Combo1, item);
    }
    (void)window_.SetSelectedIndex(Widget::Combo1, 0);
}

}  // namespace app
