#pragma once

// The window timer the program uses: on Linux the timerfd timer, which ticks at its deadline;
// elsewhere QTimer's precise timer.
#ifdef __linux__
#include "app/TimerFdTimer.h"
namespace app {
using WindowTimer = TimerFdTimer;
}
#else
#include "app/QtTimer.h"
namespace app {
using WindowTimer = QtTimer;
}
#endif
