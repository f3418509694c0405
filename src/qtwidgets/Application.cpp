#include "qtwidgets/Application.h"

#include "qt/WindowTimer.h"

namespace qtwidgets {

Application::Application(const app::CommandLine& commandLine, rtu::TrafficTrace* trace,
                         std::future<qt::QtSerialControl::Listing> portListing)
    : binding_(app::Toolkit{window_, message_, systemPorts_, socket_, *this, rtu::PortNaming::Unix},
               commandLine, trace) {
    systemPorts_.TakeFirstListing(std::move(portListing));
    wire_.Add([this] { return systemPorts_.Descriptor(); });
    wire_.Add([this] { return socket_.Descriptor(); });
}

std::unique_ptr<seams::Timer> Application::MakeTimer(int intervalMs, Use use) {
    auto timer = std::make_unique<qt::WindowTimer>(intervalMs);
    if (use == Use::Wire) {
        timer->KeepOrderWith(wire_);
    }
    return timer;
}

void Application::Start() {
    binding_.Load();
    window_.show();
}

}  // namespace qtwidgets
