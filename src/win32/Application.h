#pragma once

#include <memory>

#include "app/CommandLine.h"
#include "app/Form1.h"
#include "app/WithDemoPort.h"
#include "sim/InProcessPort.h"
#include "win32/Form1Window.h"
#include "win32/WaitableTimer.h"
#include "win32/Win32Message.h"
#include "win32/Win32SerialControl.h"

namespace win32 {

// The program on Windows: the native window, the serial control, the four timers and the message
// box, bound to the window's logic. Ticks, clicks and serial notifications all come on the
// window's thread, from whatever message loop turns.
class Application {
public:
    // `trace`, when given, hears the port's traffic; it must outlive the application.
    explicit Application(const app::CommandLine& commandLine, rtu::TrafficTrace* trace = nullptr);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The window's load, then the window is shown.
    void Start(int showCommand);

    Form1Window& Window() { return window_; }
    app::Form1& Logic() { return form_; }

private:
    // The built-in simulated transmitter, in the program's own process, beside the system's
    // ports as SIM1.
    struct Demo {
        explicit Demo(rtu::SerialControl& system);
        WaitableTimer pace{1};
        sim::InProcessPort port{pace};
        app::WithDemoPort control;
    };

    rtu::TrafficTrace* trace_;
    Form1Window window_;
    Win32SerialControl systemPorts_;
    std::unique_ptr<Demo> demo_;  // demo mode only
    rtu::SerialControl& serial_;
    WaitableTimer timer1_{50};    // end of reply: 50 ms of silence
    WaitableTimer timer2_{200};   // request scheduler
    WaitableTimer timer3_{5000};  // configuration load timeout
    WaitableTimer timer4_{500};   // never started
    Win32Message message_;
    app::Form1 form_;
};

}  // namespace win32
