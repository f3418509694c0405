#include "qt/QtWait.h"

#include <system_error>

namespace qt {

QtWait::QtWait() {
    deadline_.setSingleShot(true);
    deadline_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&deadline_, &QTimer::timeout, &loop_, [this] { loop_.quit(); });
}

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
    try {
        signals_ = std::make_unique<TerminationSignals>([this](int) {
            interrupted_ = true;
            loop_.quit();
        });
    } catch (const std::system_error&) {
        // No pipe to be had: the signals end the tool where it stands, as without this call.
    }
}

}  // namespace qt
