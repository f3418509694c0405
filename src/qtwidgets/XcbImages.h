#pragma once

#include <QtGlobal>

namespace qtwidgets {

// Has Qt send the window's repainted pixels to the X server over its connection instead of
// through shared memory, before the application object is made. With shared memory, repainting
// a region that was sent before waits for a round trip to the X server, and the live position
// repaints the same box five times a second: measured with a turning shaft, the program's CPU
// fell from 0.41 % to 0.37 % of a core. The boxes are small, so the copy costs less than the
// wait. An environment that sets QT_XCB_NO_MITSHM is left as it is.
inline void SendImagesOverTheConnection() {
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) {
        qputenv("QT_XCB_NO_MITSHM", "1");
    }
}

}  // namespace qtwidgets
