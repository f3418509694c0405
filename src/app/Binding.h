#pragma once

#include <memory>

#include "app/CommandLine.h"
#include "app/Form1.h"
#include "link/NetworkPort.h"
#include "link/PortName.h"
#include "link/PortRouter.h"
#include "link/SerialControl.h"
#include "link/TrafficTrace.h"
#include "seams/ModalMessage.h"
#include "seams/StreamSocket.h"
#include "seams/Timer.h"
#include "sim/InProcessPort.h"
#include "ui/Window.h"

namespace app {

// What a toolkit gives the window's logic.
struct Toolkit {
    ui::Window& window;
    seams::ModalMessage& message;
    rtu::SerialControl& systemPorts;
    seams::StreamSocket& socket;  // for a port on an Ethernet serial server
    seams::TimerFactory& timers;
    rtu::PortNaming naming;  // the host's
};

// The window program on any toolkit: the window's logic bound to the toolkit's window, ports,
// four timers and message box. Beside the system's serial ports stand the ports of Ethernet
// serial servers (typed as tcp://HOST:PORT or rfc2217://HOST:PORT) and, in demo mode, the
// built-in simulated transmitter as SIM1. Ticks and clicks go to the logic's handlers of the same
// names. The toolkit's parts must outlive the binding.
class Binding {
public:
    // `trace`, when given, hears the port's traffic; it must outlive the binding. Throws
    // std::system_error when the toolkit has no timer to give.
    Binding(const Toolkit& toolkit, const CommandLine& commandLine,
            rtu::TrafficTrace* trace = nullptr);
    // Closes the port as closing the window does: the trace ends with its close line.
    ~Binding();
    Binding(const Binding&) = delete;
    Binding& operator=(const Binding&) = delete;

    // The window's load.
    void Load() { form_.Form_Load(); }
    Form1& Logic() { return form_; }

private:
    struct Demo {
        explicit Demo(std::unique_ptr<seams::Timer> clock);
        std::unique_ptr<seams::Timer> pace;
        sim::InProcessPort port;
    };

    rtu::TrafficTrace* trace_;
    rtu::NetworkPort network_;
    std::unique_ptr<Demo> demo_;  // demo mode only
    rtu::PortRouter serial_;      // the system's ports with the others beside them
    std::unique_ptr<seams::Timer> timer1_;
    std::unique_ptr<seams::Timer> timer2_;
    std::unique_ptr<seams::Timer> timer3_;
    std::unique_ptr<seams::Timer> timer4_;
    Form1 form_;
};

}  // namespace app
