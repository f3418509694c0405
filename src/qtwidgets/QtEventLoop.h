#pragma once

#include <QtGlobal>

namespace qtwidgets {

// Chooses Qt's own event loop instead of GLib's, before the application object is made.
// Measured against the simulator, the 200 ms tick's median error fell from 0.054 ms to 0.032 ms
// and a click's first request came about 1 ms sooner: a wake-up takes one poll and no GLib source
// dispatch. An environment that sets QT_NO_GLIB (empty brings GLib back) is left as it is.
inline void UseQtEventLoop() {
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB")) {
        qputenv("QT_NO_GLIB", "1");
    }
}

}  // namespace qtwidgets
