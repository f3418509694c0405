#pragma once

#include "qt/TimerFdTimer.h"

namespace qt {

// The window timer the program uses: the timerfd timer, which ticks at its deadline.
using WindowTimer = TimerFdTimer;

}  // namespace qt
