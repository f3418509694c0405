#pragma once

#include "qt/TimerFdTimer.h"

namespace app {

// The window timer the program uses: the timerfd timer, which ticks at its deadline.
using WindowTimer = TimerFdTimer;

}  // namespace app
