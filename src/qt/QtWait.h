#pragma once

#include <QEventLoop>
#include <QTimer>
#include <memory>

#include "cli/Wait.h"
#include "qt/TerminationSignals.h"

namespace qt {

// Waits in a QEventLoop, so that QSerialPort's notifications and the 50 ms timer are delivered
// while the tool waits. Optionally ends the wait on the termination signals.
class QtWait : public cli::Wait {
public:
    QtWait();
    QtWait(const QtWait&) = delete;
    QtWait& operator=(const QtWait&) = delete;

    void For(int ms) override;
    void Stop() override;
    bool Interrupted() const override { return interrupted_; }

    // From now on SIGINT, SIGTERM and SIGHUP end the wait and mark the tool as interrupted
    // instead of killing it, so that it closes the port and finishes its output.
    void StopOnSignals();

private:
    QEventLoop loop_;
    QTimer deadline_;
    bool stopped_ = false;
    bool interrupted_ = false;
    std::unique_ptr<TerminationSignals> signals_;
};

}  // namespace qt
