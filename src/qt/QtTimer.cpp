#include "qt/QtTimer.h"

namespace qt {

QtTimer::QtTimer(int intervalMs, std::function<void()> onTick) : onTick_(std::move(onTick)) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setSingleShot(false);
    timer_.setInterval(intervalMs);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
        if (onTick_) {
            onTick_();
        }
    });
}

}  // namespace qt
