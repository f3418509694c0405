#pragma once

#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace qt {

// Ends the program in order when the desktop session ends, the terminal closes or the operator
// presses Ctrl+C in it (SIGTERM, SIGHUP, SIGINT): the event loop is left as when the window is
// closed, so the open port is closed (its lock file removed) and the traffic trace ends with its
// close line. Without it these signals end the process where it stands.
//
// The signal handler only writes the signal's number to a pipe; the window's thread reads it and
// calls `onSignal`. One instance at a time; its destruction restores the default handling.
class QuitOnSignals {
public:
    // Throws std::system_error when no pipe can be had.
    explicit QuitOnSignals(std::function<void(int signal)> onSignal = QuitTheEventLoop);
    ~QuitOnSignals();
    QuitOnSignals(const QuitOnSignals&) = delete;
    QuitOnSignals& operator=(const QuitOnSignals&) = delete;

    static void QuitTheEventLoop(int signal);

private:
    int read_ = -1;
    int write_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::function<void(int)> onSignal_;
};

}  // namespace qt
