#include "win32/PortErrors.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

namespace {

using rtu::SerialError;

// What the drivers answer, mapped once: Wine shows only a few of these, so the table is the test.
TEST(PortErrors, OpenAndRunTimeCodesMapToTheLinksErrors) {
    struct Case {
        DWORD code;
        SerialError atOpen;
    };
    const std::vector<Case> opening{
        {ERROR_FILE_NOT_FOUND, SerialError::NotFound},
        {ERROR_PATH_NOT_FOUND, SerialError::NotFound},
        {ERROR_ACCESS_DENIED, SerialError::Busy},  // another program holds the port
        {ERROR_SHARING_VIOLATION, SerialError::Busy},
        {ERROR_GEN_FAILURE, SerialError::OpenFailed},
        {ERROR_SEM_TIMEOUT, SerialError::OpenFailed},
    };
    for (const Case& c : opening) {
        EXPECT_EQ(win32::OpenError(c.code), c.atOpen) << c.code;
    }
    // A pulled adapter, by driver, and Wine's pty whose other end closed: the port has gone.
    for (const DWORD code : {5UL, 22UL, 31UL, 995UL, 1167UL, 1617UL, 21UL}) {
        EXPECT_EQ(win32::RunTimeError(code), SerialError::DeviceGone) << code;
    }
}

}  // namespace
