#pragma once

#include "cli/Wait.h"

namespace win32 {

// Waits on the thread's message queue, so that the serial control's notifications and the 50 ms
// timer are delivered while the tool waits. Optionally ends the wait on Ctrl+C and Ctrl+Break.
class Win32Wait : public cli::Wait {
public:
    void For(int ms) override;
    void Stop() override { stopped_ = true; }
    bool Interrupted() const override;

    // From now on Ctrl+C, Ctrl+Break and the console closing end the wait and mark the tool as
    // interrupted instead of killing it, so that it closes the port and finishes its output.
    void StopOnConsoleEvents();

private:
    bool stopped_ = false;
};

}  // namespace win32
