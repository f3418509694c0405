#pragma once

#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace qt {

// Lets a program end in order when the desktop session ends, the terminal closes or the operator
// presses Ctrl+C in it (SIGTERM, SIGHUP, SIGINT), instead of dying where it stands: the window
// leaves its event loop as when it is closed, the tool ends its wait, and either closes its port
// (removing its lock file) and ends its traffic trace with the close line.
//
// The signal handler only writes the signal's number to a pipe, keeping errno; the event loop's
// thread reads it and calls `onSignal`. One instance at a time; its destruction restores the
// default handling.
class TerminationSignals {
public:
    // Throws std::system_error when no pipe can be had.
    explicit TerminationSignals(std::function<void(int signal)> onSignal = QuitTheEventLoop);
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    static void QuitTheEventLoop(int signal);

private:
    int read_ = -1;
    int write_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::function<void(int)> onSignal_;
};

}  // namespace qt
