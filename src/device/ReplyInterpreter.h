#pragma once

#include "device/DeviceLink.h"
#include "device/SchedulerState.h"
#include "link/FrameTable.h"
#include "link/ReplyFramer.h"
#include "seams/Timer.h"
#include "ui/WindowOperations.h"

namespace device {

// Turns each accepted reply into what the operator sees and moves the scheduler's state. A reply
// is told apart by its function code and, for reads, its byte count alone: 4 the live position,
// 42 the configuration, 6 the status words, 2 the firmware version. The slave address, the reply
// length and the request last sent are not looked at.
class ReplyInterpreter : public rtu::ReplyHandler {
public:
    struct Parts {
        SchedulerState& state;
        const rtu::FrameTable& frames;
        DeviceLink& link;
        ui::WindowOperations& window;
        seams::Timer& timer3;
    };
    explicit ReplyInterpreter(const Parts& parts) : p_(parts) {}

    void HandleReply(const rtu::RxBufferBytes& rx) override;

private:
    // Each returns false at the first step that fails; the steps before it stay done.
    bool Position(const rtu::RxBufferBytes& rx);
    bool Configuration(const rtu::RxBufferBytes& rx);
    void Status(const rtu::RxBufferBytes& rx);
    void Version(const rtu::RxBufferBytes& rx);
    void Exception();
    void EnableCommands();
    // After a failure: finish the load if it was running, and say "数据超范围溢出".
    void Recover();

    Parts p_;
};

}  // namespace device
