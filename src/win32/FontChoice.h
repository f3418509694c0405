#pragma once

#include <windows.h>

#include <string>

#include "ui/Placement.h"

namespace win32 {

// The face the window's fonts are made in: the placement's face where GDI really has it, else the
// first of SimSun, NSimSun and Microsoft YaHei that it has; where it has none of them, the
// placement's face all the same, for which GDI picks a face by the character set.
std::wstring AvailableFace(int dpi);

// One of the window's fonts, in a face, for simplified Chinese at a DPI.
HFONT MakeFont(const std::wstring& face, ui::FontFace variant, int dpi);

}  // namespace win32
