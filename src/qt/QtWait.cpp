#include "QtWait.h"

#include <fcntl.h>
#include <unistd.h>

#include <csignal>

namespace qt {
namespace {

// The signal handler only writes a byte to this pipe; the event loop reads it.
int signalPipe[2] = {-1, -1};

extern "C" void OnStopSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
}

}  // namespace

QtWait::QtWait() {
    deadline_.setSingleShot(true);
    deadline_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&deadline_, &QTimer::timeout, &loop_, [this] { loop_.quit(); });
}

QtWait::~QtWait() = default;

void QtWait::For(int ms) {
    if (stopped_ || interrupted_) {
        stopped_ = false;
        return;
    }
    deadline_.start(ms);
    loop_.exec();
    deadline_.stop();
    stopped_ = false;
}

void QtWait::Stop() {
    stopped_ = true;
    loop_.quit();
}

void QtWait::StopOnSignals() {
    if (signalPipe[0] < 0 && ::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    signalNotifier_ = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(signalNotifier_.get(), &QSocketNotifier::activated, &loop_, [this] {
        char byte = 0;
        while (::read(signalPipe[0], &byte, 1) > 0) {
        }
        interrupted_ = true;
        loop_.quit();
    });
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

}  // namespace qt
