#include "win32/Application.h"

#include "product/Version.h"
#include "win32/WaitableTimer.h"

namespace win32 {

Application::Application(const app::CommandLine& commandLine, rtu::TrafficTrace* trace)
    : message_(product::kWindowTitle),
      binding_(
          app::Toolkit{window_, message_, systemPorts_, socket_, *this, rtu::PortNaming::Windows},
          commandLine, trace) {
    message_.SetOwner(window_.Handle());
}

std::unique_ptr<seams::Timer> Application::MakeTimer(int intervalMs, Use /*use*/) {
    // Every timer is alike here: its expiries and the port's notifications are all posted to
    // the window's one message queue.
    return std::make_unique<WaitableTimer>(intervalMs);
}

void Application::Start(int showCommand) {
    binding_.Load();
    window_.Show(showCommand);
}

}  // namespace win32
