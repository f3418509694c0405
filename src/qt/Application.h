#pragma once

#include <future>
#include <memory>
#include <string>
#include <string_view>

#include "app/Form1.h"
#include "app/WithDemoPort.h"
#include "qt/CommandLine.h"
#include "qt/Form1Window.h"
#include "qt/QtMessage.h"
#include "qt/QtSerialControl.h"
#include "qt/WindowTimer.h"
#include "sim/InProcessPort.h"

namespace app {

// The program: the window, the serial control, the four timers and the message box, bound to
// the window's logic. Ticks and clicks go to the logic's handlers of the same names.
class Application {
public:
    // `trace`, when given, hears the port's traffic; it must outlive the application.
    // `portListing`, when given, is the system's listing of its ports that the window's load
    // takes.
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
    // The built-in simulated transmitter, in the program's own process, beside the system's
    // ports as SIM1.
    struct Demo {
        explicit Demo(rtu::SerialControl& system);
        WindowTimer pace{1};
        sim::InProcessPort port{pace};
        WithDemoPort control;
    };

    rtu::TrafficTrace* trace_;
    ui::Form1Window window_;
    rtu::QtSerialControl systemPorts_;
    std::unique_ptr<Demo> demo_;  // demo mode only
    rtu::SerialControl& serial_;  // the system's ports, with the demo's beside them in demo mode
    WindowTimer timer1_{50};      // end of reply: 50 ms of silence
    WindowTimer timer2_{200};     // request scheduler
    WindowTimer timer3_{5000};    // configuration load timeout
    WindowTimer timer4_{500};     // never started
    // The port's bytes and the timers' expiries, whose order the timers' punctual ticks keep.
    WireEvents wire_;
    QtMessage message_{&window_};
    Form1 form_;
};

}  // namespace app
