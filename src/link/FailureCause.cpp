#include "link/FailureCause.h"

namespace rtu {
namespace {

std::string GroupOf(const PortDetails& details) {
    return details.group.empty() ? std::string("dialout") : details.group;
}

}  // namespace

FailureCause PermissionHint(const PortDetails& refused) {
    const std::string group = GroupOf(refused);
    return {"没有权限打开 " + refused.path + "：请把当前用户加入 " + group + " 组，然后重新登录",
            "cannot open " + refused.path + ": permission denied; add the user to the group " +
                group + " (sudo adduser $USER " + group + ") and log in again"};
}

FailureCause OpenFailureCause(SerialError error, const PortDetails& details) {
    switch (error) {
        case SerialError::PermissionDenied:
            return PermissionHint(details);
        case SerialError::Busy:
            return {"串口已被其他程序占用",
                    "cannot open " + details.path + ": the port is held by another program"};
        case SerialError::NotFound:
            return {"找不到该串口", "cannot open " + details.path + ": no such port"};
        default:
            return {};
    }
}

FailureCause RunTimeFailureCause(SerialError error, const PortDetails& details) {
    const std::string gone = "串口设备已断开（适配器被拔出或设备掉线）";
    switch (error) {
        case SerialError::DeviceGone:
            return {gone, details.path +
                              " went away while open (adapter unplugged or device "
                              "gone); the port was closed"};
        case SerialError::ReadFailed:
            return {gone, "reading " + details.path + " failed; the port was closed"};
        case SerialError::WriteFailed:
            return {gone, "writing to " + details.path + " failed; the port was closed"};
        default:
            return {};
    }
}

FailureCause NoPortChosenCause() {
    return {"未选择串口", "no serial port chosen"};
}

}  // namespace rtu
