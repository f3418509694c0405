#pragma once

#include <QTimer>
#include <functional>

#include "seams/Timer.h"

namespace qt {

// A window timer over QTimer, ticking on the window's thread. It uses Qt's precise timer: the
// default coarse one may shift a 50 ms tick by up to 5 %, and the end-of-reply silence should be
// 50 ms, never less.
class QtTimer : public seams::Timer {
public:
    explicit QtTimer(int intervalMs, std::function<void()> onTick = {});
    QtTimer(const QtTimer&) = delete;
    QtTimer& operator=(const QtTimer&) = delete;

    void OnTick(std::function<void()> onTick) override { onTick_ = std::move(onTick); }

    // The first tick comes one full interval after Start; a running timer keeps its phase
    // (QTimer::start alone would restart it).
    void Start() override {
        if (!timer_.isActive()) {
            timer_.start();
        }
    }
    void Stop() override { timer_.stop(); }
    bool IsRunning() const override { return timer_.isActive(); }
    int IntervalMs() const { return timer_.interval(); }

private:
    QTimer timer_;
    std::function<void()> onTick_;
};

}  // namespace qt
