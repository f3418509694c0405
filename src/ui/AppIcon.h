#pragma once

#include <QIcon>

namespace ui {

// The program's icon, drawn at 16 x 16 and 32 x 32: a rotary dial with its pointer, over a
// two-wire bus line.
QIcon AppIcon();

}  // namespace ui
