#pragma once

#include <future>
#include <memory>
#include <string>
#include <string_view>

#include "app/CommandLine.h"
#include "app/Form1.h"
#include "app/QtMessage.h"
#include "app/WindowTimer.h"
#include "link/QtSerialControl.h"
#include "sim/PtyServer.h"
#include "ui/Form1Window.h"

namespace app {

// The short name of the demo's simulated transmitter in the port chooser.
inline constexpr std::string_view kDemoPort = "SIM1";

// The program: the window, the serial control, the four timers and the message box, bound to
// the window's logic. Ticks and clicks go to the logic's handlers of the same names.
class Application {
public:
    // Throws std::system_error in demo mode when no pseudo-terminal can be had. `trace`, when
    // given, hears the port's traffic; it must outlive the application. `portListing`, when
    // given, is the system's listing of its ports that the window's load takes.
    explicit Application(const CommandLine& commandLine, rtu::TrafficTrace* trace = nullptr,
                         std::future<rtu::QtSerialControl::Listing> portListing = {});
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The window's load, then the port asked for on the command line, then the window is shown.
    void Start();

    ui::Form1Window& Window() { return window_; }
    Form1& Logic() { return form_; }

private:
    // Puts the port first in Combo1 (once) and selects it.
    void OfferPortFirst(const std::string& port);
    // Rebuilds Combo1's list with `port` first and the others after it, in their order.
    void PutFirst(const std::string& port);
    // Combo1's drop-down opens: the ports are probed again while the port is closed.
    void Combo1DropDown();

    std::string port_;
    rtu::TrafficTrace* trace_;
    // Demo mode only: the simulated transmitter, serving a pseudo-terminal until after the
    // serial control has closed it.
    std::unique_ptr<sim::PtyServer> demo_;
    ui::Form1Window window_;
    rtu::QtSerialControl serial_;
    WindowTimer timer1_{50};    // end of reply: 50 ms of silence
    WindowTimer timer2_{200};   // request scheduler
    WindowTimer timer3_{5000};  // configuration load timeout
    WindowTimer timer4_{500};   // never started
#ifdef __linux__
    // The port's bytes and the timers' expiries, whose order the timers' punctual ticks keep.
    WireEvents wire_;
#endif
    QtMessage message_{&window_};
    Form1 form_;
};

}  // namespace app
