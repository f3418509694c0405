#pragma once

#include <windows.h>

namespace win32 {

// The program's own icon, from its resources, at `side` pixels square; nullptr in a program that
// carries none (the test programs). Shared: never destroyed.
HICON AppIcon(int side);

}  // namespace win32
