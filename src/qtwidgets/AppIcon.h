#pragma once

#include <QIcon>

namespace qtwidgets {

// The program's icon, a rotary dial with its pointer over a two-wire bus line, with images at
// 16, 32, 48 and 256 pixels: the PNGs that the build renders from data/icons/transmitter-config.svg
// and embeds, the same images that are installed into the desktop's icon theme.
QIcon AppIcon();

}  // namespace qtwidgets
