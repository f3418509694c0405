#pragma once

#include "device/DeviceLink.h"
#include "device/SchedulerState.h"
#include "link/FrameTable.h"
#include "seams/ModalMessage.h"
#include "seams/Timer.h"
#include "ui/WindowOperations.h"

namespace device {

// Decides which request goes out on each 200 ms tick, and carries the operator's commands.
// Commands never send: they set PollState (and seal a write frame), and the next tick sends.
// There is no per-request timeout and no retry count; states that must reach the device (load,
// version) repeat their request on every tick, and the only timeout is the 5 s load timeout.
class Scheduler {
public:
    struct Parts {
        SchedulerState& state;
        rtu::FrameTable& frames;
        DeviceLink& link;
        ui::WindowOperations& window;
        seams::ModalMessage& message;
        seams::Timer& timer2;
        seams::Timer& timer3;
    };
    explicit Scheduler(const Parts& parts) : p_(parts) {}

    // Sends the frame of the current state; then, in the one-shot states, falls back to polling
    // and says so in the status line. Send, then state, then label.
    void Timer2_Timer();
    // 5 s after the open without a configuration: tell the operator, then close the port.
    void Timer3_Timer();
    void Command2_Click();    // read parameters
    void Command3_Click();    // save configuration
    void Command4_Click();    // set position
    void Command5_Click() {}  // zero calibration: never shown, does nothing
    void Timer4_Timer() {}    // never started

private:
    // Tells the operator which field stopped a save or preset and puts the focus there; a field
    // the window never shows gets a second line instead, and the focus stays where it is.
    void RefuseField(ui::Widget field);

    Parts p_;
};

}  // namespace device
