#include "link/SendFrame.h"

#include <gtest/gtest.h>

#include "harness/FakeSerialControl.h"
#include "link/FrameTable.h"

namespace {

TEST(SendFrame, DiscardsInputThenOutputThenQueuesTheWholeFrame) {
    harness::VirtualClock clock;
    harness::FakeSerialControl serial(clock);
    serial.AddPort("ttyUSB0");
    serial.SelectPort("ttyUSB0");
    ASSERT_EQ(serial.Open(), rtu::SerialError::None);
    rtu::FrameTable frames;
    frames.Build();

    EXPECT_EQ(rtu::SendFrame(serial, frames.SaveConfigFrame), rtu::SendResult::Sent);
    EXPECT_EQ(serial.Calls(),
              (std::vector<std::string>{"Open ttyUSB0", "DiscardInput", "DiscardOutput", "Write"}));
    ASSERT_EQ(serial.Written().size(), 1u);
    EXPECT_EQ(serial.Written()[0].bytes,
              harness::Bytes(frames.SaveConfigFrame.begin(), frames.SaveConfigFrame.end()));
}

TEST(SendFrame, ReportsAClosedPortAndARefusedWrite) {
    harness::VirtualClock clock;
    harness::FakeSerialControl serial(clock);
    serial.AddPort("ttyUSB0");
    rtu::FrameTable frames;
    frames.Build();
    EXPECT_EQ(rtu::SendFrame(serial, frames.ReadAllFrame), rtu::SendResult::PortClosed);
    EXPECT_TRUE(serial.Calls().empty());

    serial.SelectPort("ttyUSB0");
    ASSERT_EQ(serial.Open(), rtu::SerialError::None);
    serial.FailWrites(true);
    EXPECT_EQ(rtu::SendFrame(serial, frames.ReadAllFrame), rtu::SendResult::WriteFailed);
    EXPECT_TRUE(serial.Written().empty());
}

}  // namespace
