#include "app/Application.h"

#include <algorithm>

#include "link/PortDetails.h"

namespace app {

using ui::Widget;

Application::Application(const CommandLine& commandLine, rtu::TrafficTrace* trace,
                         std::future<rtu::QtSerialControl::Listing> portListing)
    : port_(commandLine.port),
      trace_(trace),
      form_(Outside{serial_, window_, message_, timer1_, timer2_, timer3_, rtu::kHostPortNaming,
                    trace}) {
    serial_.TakeFirstListing(std::move(portListing));
    timer1_.OnTick([this] { form_.Timer1_Timer(); });
    timer2_.OnTick([this] { form_.Timer2_Timer(); });
    timer3_.OnTick([this] { form_.Timer3_Timer(); });
    timer4_.OnTick([this] { form_.Timer4_Timer(); });
#ifdef __linux__
    wire_.Add([this] { return serial_.Descriptor(); });
    for (WindowTimer* timer : {&timer1_, &timer2_, &timer3_}) {
        timer->KeepOrderWith(wire_);
    }
#endif
    window_.SetClickHandler([this](Widget button) { form_.Click(button); });
    window_.SetDropDownHandler([this](Widget list) {
        if (list == Widget::Combo1) {
            Combo1DropDown();
        }
    });
    window_.SetItemToolTips(Widget::Combo1, [this](std::string_view item) {
        return rtu::ToolTipOf(serial_.DetailsOf(item));
    });

    if (commandLine.demo) {
        // The simulated transmitter serves a pseudo-terminal; the serial control knows its path by
        // the short name SIM1, which fits Combo1 and is offered first, like a port given with
        // --port. Its shaft turns a tenth of a turn a second at the factory resolution of 3600
        // counts a turn, so that the live position moves.
        demo_ = std::make_unique<sim::PtyServer>();
        demo_->Update([](sim::Transmitter& device) { device.SetSpeed(360); });
        demo_->Start();
        serial_.AddAlias(kDemoPort, demo_->Path(), "内置模拟变送器（演示）");
        port_ = kDemoPort;
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
    PutFirst(port);
    (void)window_.SetSelectedIndex(Widget::Combo1, 0);
}

void Application::PutFirst(const std::string& port) {
    std::vector<std::string> others = window_.Items(Widget::Combo1);
    std::erase(others, port);
    // Emptying the list also drops the selection and the text.
    window_.ClearItems(Widget::Combo1);
    window_.AddItem(Widget::Combo1, port);
    for (const std::string& item : others) {
        window_.AddItem(Widget::Combo1, item);
    }
}

void Application::Combo1DropDown() {
    if (serial_.IsOpen()) {
        return;
    }
    // The probe lists what the system reports; the port of the command line (or the demo's) is
    // offered first again, and the operator's text stays as it was.
    const std::string text = window_.Text(Widget::Combo1);
    const bool picked = window_.SelectedIndex(Widget::Combo1) >= 0;
    form_.Combo1_DropDown();
    if (port_.empty()) {
        return;
    }
    PutFirst(port_);
    const std::vector<std::string> items = window_.Items(Widget::Combo1);
    const auto entry = std::find(items.begin(), items.end(), text);
    if (picked && entry != items.end()) {
        (void)window_.SetSelectedIndex(Widget::Combo1, static_cast<int>(entry - items.begin()));
        return;
    }
    window_.SetText(Widget::Combo1, text);
}

}  // namespace app
