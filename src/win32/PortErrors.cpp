#include "win32/PortErrors.h"

#include <windows.h>

namespace win32 {

rtu::SerialError OpenError(std::uint32_t code) {
    switch (code) {
        case ERROR_SUCCESS:
            return rtu::SerialError::None;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
            return rtu::SerialError::NotFound;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            return rtu::SerialError::Busy;
        default:
            return rtu::SerialError::OpenFailed;
    }
}

rtu::SerialError RunTimeError(std::uint32_t) {
    return rtu::SerialError::DeviceGone;
}

}  // namespace win32
