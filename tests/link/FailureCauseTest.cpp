// Why a port failed: a cause only where one is known, and then one English line naming the device.
#include "link/FailureCause.h"

#include <gtest/gtest.h>

namespace {

using rtu::SerialError;

TEST(FailureCause, KnownOnlyForTheFailuresItCanExplain) {
    rtu::PortDetails device;
    device.path = "/dev/ttyUSB3";
    device.group = "uucp";
    const struct {
        bool atOpen;
        SerialError error;
        bool known;
    } cases[] = {
        {true, SerialError::PermissionDenied, true}, {true, SerialError::Busy, true},
        {true, SerialError::NotFound, true},         {true, SerialError::OpenFailed, false},
        {true, SerialError::DeviceGone, false},      {false, SerialError::DeviceGone, true},
        {false, SerialError::WriteFailed, true},     {false, SerialError::ReadFailed, true},
        {false, SerialError::Unknown, false},        {false, SerialError::Busy, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.error) + (c.atOpen ? 0 : 100));
        const rtu::FailureCause cause = c.atOpen ? rtu::OpenFailureCause(c.error, device)
                                                 : rtu::RunTimeFailureCause(c.error, device);
        ASSERT_EQ(cause.Known(), c.known);
        if (c.known) {
            EXPECT_NE(cause.engineerLine.find("/dev/ttyUSB3"), std::string::npos);
            EXPECT_EQ(cause.engineerLine.find('\n'), std::string::npos) << "one line";
        } else {
            EXPECT_EQ(cause.engineerLine, "");
        }
    }
    EXPECT_NE(rtu::PermissionHint(device).engineerLine.find("adduser $USER uucp"),
              std::string::npos);
}

// A name pasted into the port chooser can be any length; the message and the log line cannot.
TEST(FailureCause, AVeryLongPathIsShortenedInBothLines) {
    rtu::PortDetails pasted;
    pasted.path = "/dev/" + std::string(100'000, '7');
    for (const rtu::FailureCause& cause :
         {rtu::OpenFailureCause(SerialError::NotFound, pasted), rtu::PermissionHint(pasted),
          rtu::RunTimeFailureCause(SerialError::DeviceGone, pasted)}) {
        EXPECT_LT(cause.operatorLine.size(), 200u);
        EXPECT_LT(cause.engineerLine.size(), 200u);
        EXPECT_NE(cause.engineerLine.find("/dev/777"), std::string::npos);
    }
}

}  // namespace
