#pragma once

#include "app/Binding.h"
#include "app/CommandLine.h"
#include "win32/Form1Window.h"
#include "win32/Win32Message.h"
#include "win32/Win32SerialControl.h"
#include "win32/WinsockSocket.h"

namespace win32 {

// The window program on Windows: the native window, the Win32 serial control, a Winsock
// connection for a serial server's port, waitable timers and the system's message box, bound to
// the window's logic. Ticks, clicks and serial notifications
// all come on the window's thread, from whatever message loop turns.
class Application : private seams::TimerFactory {
public:
    // `trace`, when given, hears the port's traffic; it must outlive the application.
    explicit Application(const app::CommandLine& commandLine, rtu::TrafficTrace* trace = nullptr);
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The window's load, then the window is shown.
    void Start(int showCommand);

    Form1Window& Window() { return window_; }
    app::Form1& Logic() { return binding_.Logic(); }

private:
    std::unique_ptr<seams::Timer> MakeTimer(int intervalMs, Use use) override;

    Form1Window window_;
    Win32SerialControl systemPorts_;
    WinsockSocket socket_;
    Win32Message message_;
    app::Binding binding_;
};

}  // namespace win32
