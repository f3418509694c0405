#pragma once

#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>
#include <memory>

#include "cli/Wait.h"

namespace qt {

// Waits in a QEventLoop, so that QSerialPort's notifications and the 50 ms timer are delivered
// while the tool waits. Optionally ends the wait on SIGINT and SIGTERM.
class QtWait : public cli::Wait {
public:
    QtWait();
    ~QtWait() override;
    QtWait(const QtWait&) = delete;
    QtWait& operator=(const QtWait&) = delete;

    void For(int ms) override;
    void Stop() override;
    bool Interrupted() const override { return interrupted_; }

    // From now on SIGINT and SIGTERM end the wait and mark the tool as interrupted instead of
    // killing it, so that it closes the port and finishes its output. Unix only.
    void StopOnSignals();

private:
    QEventLoop loop_;
    QTimer deadline_;
    bool stopped_ = false;
    bool interrupted_ = false;
    std::unique_ptr<QSocketNotifier> signalNotifier_;
};

}  // namespace qt
