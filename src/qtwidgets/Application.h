#pragma once

#include <future>
#include <memory>

#include "app/Binding.h"
#include "app/CommandLine.h"
#include "qt/QtSerialControl.h"
#include "qt/QtSocket.h"
#include "qt/WireEvents.h"
#include "qtwidgets/Form1Window.h"
#include "qtwidgets/QtMessage.h"

namespace qtwidgets {

// The window program on Qt: the window, Qt SerialPort's ports, a connection for a serial
// server's port, timerfd timers that keep their order with the port's bytes, and the message box,
// bound to the window's logic.
class Application : private seams::TimerFactory {
public:
    // `trace`, when given, hears the port's traffic; it must outlive the application.
    // `portListing`, when given, is the system's listing of its ports that the window's load
    // takes.
    explicit Application(const app::CommandLine& commandLine, rtu::TrafficTrace* trace = nullptr,
                         std::future<qt::QtSerialControl::Listing> portListing = {});
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The window's load, then the window is shown.
    void Start();

    Form1Window& Window() { return window_; }
    app::Form1& Logic() { return binding_.Logic(); }

private:
    std::unique_ptr<seams::Timer> MakeTimer(int intervalMs, Use use) override;

    Form1Window window_;
    qt::QtSerialControl systemPorts_;
    qt::QtSocket socket_;
    // The port's bytes and the wire timers' expiries, whose order the timers' punctual ticks keep.
    qt::WireEvents wire_;
    QtMessage message_{&window_};
    app::Binding binding_;
};

}  // namespace qtwidgets
