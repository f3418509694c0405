#include "win32/AppIcon.h"

#include "win32/ResourceIds.h"

namespace win32 {

HICON AppIcon(int side) {
    return static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr),
                                           MAKEINTRESOURCEW(TRANSMITTER_ICON), IMAGE_ICON, side,
                                           side, LR_SHARED));
}

}  // namespace win32
