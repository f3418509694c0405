#include "link/ModbusException.h"

namespace rtu {

std::string_view ExceptionName(std::uint8_t code) {
    switch (code) {
        case kIllegalFunction:
            return "illegal function";
        case kIllegalDataAddress:
            return "illegal data address";
        case kIllegalDataValue:
            return "illegal data value";
        case kServerDeviceFailure:
            return "server device failure";
        case kAcknowledge:
            return "acknowledge";
        case kServerDeviceBusy:
            return "server device busy";
        default:
            return "unknown exception";
    }
}

}  // namespace rtu
