// Why a port failed, for the operator (Chinese) and the engineer (English).
#include "link/FailureCause.h"

#include <gtest/gtest.h>

namespace {

using rtu::SerialError;

rtu::PortDetails Device(std::string path, std::string group) {
    rtu::PortDetails details;
    details.path = std::move(path);
    details.group = std::move(group);
    return details;
}

TEST(FailureCause, EachKnownCauseHasItsLineAndNamesTheDeviceOnStderr) {
    struct Case {
        bool atOpen;
        SerialError error;
        std::string operatorLine;  // empty: no known cause
    };
    const std::string gone = "串口设备已断开（适配器被拔出或设备掉线）";
    const Case cases[] = {
        {true, SerialError::PermissionDenied,
         "没有权限打开 /dev/ttyUSB3：请把当前用户加入 uucp 组，然后重新登录"},
        {true, SerialError::Busy, "串口已被其他程序占用"},
        {true, SerialError::NotFound, "找不到该串口"},
        {true, SerialError::OpenFailed, ""},
        {true, SerialError::None, ""},
        {true, SerialError::DeviceGone, ""},  // not a reason an open fails
        {false, SerialError::DeviceGone, gone},
        {false, SerialError::ReadFailed, gone},
        {false, SerialError::WriteFailed, gone},
        {false, SerialError::Unknown, ""},
        {false, SerialError::Busy, ""},
    };
    const rtu::PortDetails device = Device("/dev/ttyUSB3", "uucp");
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.error) + (c.atOpen ? 0 : 100));
        const rtu::FailureCause cause = c.atOpen ? rtu::OpenFailureCause(c.error, device)
                                                 : rtu::RunTimeFailureCause(c.error, device);
        EXPECT_EQ(cause.operatorLine, c.operatorLine);
        EXPECT_EQ(cause.Known(), !c.operatorLine.empty());
        if (cause.Known()) {
            EXPECT_NE(cause.engineerLine.find("/dev/ttyUSB3"), std::string::npos)
                << cause.engineerLine;
            EXPECT_EQ(cause.engineerLine.find('\n'), std::string::npos) << "one line";
        } else {
            EXPECT_EQ(cause.engineerLine, "");
        }
    }
}

TEST(FailureCause, PermissionHintTellsTheEngineerHowToJoinTheGroup) {
    const rtu::FailureCause hint = rtu::PermissionHint(Device("/dev/ttyACM0", "dialout"));
    EXPECT_NE(hint.engineerLine.find("adduser $USER dialout"), std::string::npos)
        << hint.engineerLine;
    EXPECT_EQ(rtu::NoPortChosenCause().operatorLine, "未选择串口");
}

}  // namespace
