#include "qt/TerminationSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <system_error>

namespace qt {
namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};

// Where the handler writes; -1 while no instance listens.
std::atomic<int> signalPipe{-1};

void WriteToPipe(int signal) {
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    (void)::write(signalPipe.load(), &number, 1);
    errno = saved;
}

}  // namespace

void TerminationSignals::QuitTheEventLoop(int /*signal*/) {
    QCoreApplication::quit();
}

TerminationSignals::TerminationSignals(std::function<void(int)> onSignal)
    : onSignal_(std::move(onSignal)) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw std::system_error(errno, std::generic_category(), "pipe2");
    }
    read_ = fds[0];
    write_ = fds[1];
    signalPipe.store(write_);
    notifier_ = std::make_unique<QSocketNotifier>(read_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] {
        unsigned char number = 0;
        while (::read(read_, &number, 1) == 1) {
            if (onSignal_) {
                onSignal_(number);
            }
        }
    });
    struct sigaction action {};
    action.sa_handler = WriteToPipe;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kSignals) {
        ::sigaction(signal, &action, nullptr);
    }
}

TerminationSignals::~TerminationSignals() {
    for (const int signal : kSignals) {
        std::signal(signal, SIG_DFL);
    }
    signalPipe.store(-1);
    notifier_.reset();
    ::close(read_);
    ::close(write_);
}

}  // namespace qt
