#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "device/DeviceLink.h"
#include "device/ReplyInterpreter.h"
#include "device/Scheduler.h"
#include "device/SchedulerState.h"
#include "link/FailureCause.h"
#include "link/FrameTable.h"
#include "link/PortName.h"
#include "link/ReplyFramer.h"
#include "link/SendFrame.h"
#include "link/SerialControl.h"
#include "link/TrafficTrace.h"
#include "seams/ModalMessage.h"
#include "seams/Timer.h"
#include "ui/WindowOperations.h"

namespace app {

// Everything the window's logic reaches outside itself.
struct Outside {
    rtu::SerialControl& serial;
    ui::WindowOperations& window;
    seams::ModalMessage& message;
    seams::Timer& timer1;                // 50 ms, end of reply
    seams::Timer& timer2;                // 200 ms, request scheduler
    seams::Timer& timer3;                // 5000 ms, load timeout
    rtu::PortNaming naming;              // the host's, which each platform's program gives
    rtu::TrafficTrace* trace = nullptr;  // hears the port's traffic when given
    // One English line for the engineer, without its newline; the program writes it to stderr.
    std::function<void(std::string_view line)> log = WriteToStderr;

    static void WriteToStderr(std::string_view line);
};

// The logic of the one window: its event handlers and the state they share (the frames, the
// reply buffer, the scheduler's state byte and flag). Knows no toolkit; the program binds it to
// Qt, the tests to virtual time.
class Form1 : public rtu::SerialListener, private device::DeviceLink {
public:
    explicit Form1(const Outside& outside);
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // A port that heads Combo1's list whether the probe finds it or not, and is selected at load:
    // the one asked for on the command line, or the built-in simulated transmitter. Call before
    // Form_Load.
    void OfferPortFirst(std::string port) { offeredFirst_ = std::move(port); }

    // Events of the window.
    void Form_Load();
    void Command1_Click();
    // Combo1's drop-down list is about to open: while the port is closed, the ports are probed
    // again, so that an adapter plugged in since start-up is listed.
    void Combo1_DropDown();
    // A click on Command1..Command5, handed to its handler; other widgets take no clicks.
    void Click(ui::Widget button);
    void Command2_Click() { scheduler_.Command2_Click(); }
    void Command3_Click() { scheduler_.Command3_Click(); }
    void Command4_Click() { scheduler_.Command4_Click(); }
    void Command5_Click() { scheduler_.Command5_Click(); }
    void MSComm1_OnComm() { framer_.MSComm1_OnComm(); }
    void Timer1_Timer() { framer_.Timer1_Timer(); }
    void Timer2_Timer() { scheduler_.Timer2_Timer(); }
    void Timer3_Timer() { scheduler_.Timer3_Timer(); }
    void Timer4_Timer() { scheduler_.Timer4_Timer(); }

    // rtu::SerialListener
    void OnBytesWaiting() override { MSComm1_OnComm(); }
    void OnSerialError(rtu::SerialError error) override;

    std::uint8_t PollState() const { return state_.PollState; }
    std::uint8_t VersionPending() const { return state_.VersionPending; }
    const rtu::FrameTable& Frames() const { return frames_; }
    const rtu::ReplyFramer& Framer() const { return framer_; }

    // Tests put the scheduler in a chosen state to exercise one tick or one reply.
    device::SchedulerState& StateForTest() { return state_; }

private:
    // device::DeviceLink: a port that refuses a frame is reported and closed.
    rtu::SendResult Send(std::span<const std::uint8_t> frame) override;
    bool IsPortOpen() const override { return out_.serial.IsOpen(); }
    void ClosePort() override;

    void OpenPort();
    // A run-time failure of the open port: close it, then tell the operator once, with the cause.
    void FailPort(rtu::SerialError error);
    // "串口错误" in the message box, with the cause on a second line when it is known, and the
    // cause on stderr.
    void ReportSerialError(const rtu::FailureCause& cause);
    // A port failure, to the trace when there is one.
    void TraceError(std::string_view error);
    // Lists the openable ports in Combo1; says once on stderr which ones this user may not open.
    void ListPorts(bool refresh);

    Outside out_;
    rtu::FrameTable frames_;
    device::SchedulerState state_;
    device::Scheduler scheduler_;
    device::ReplyInterpreter interpreter_;
    rtu::ReplyFramer framer_;
    std::string offeredFirst_;
    std::string openPort_;              // the port opened last, for naming it in a failure
    std::vector<std::string> refused_;  // ports the last probe could not open for want of rights
    bool refusalLogged_ = false;
};

}  // namespace app
