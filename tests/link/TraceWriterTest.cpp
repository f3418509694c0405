#include "link/TraceWriter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "harness/Rig.h"
#include "harness/TempDir.h"

namespace {

using harness::Bytes;
using harness::Hex;

// Everything written to a stream so far, as text.
std::string Contents(std::FILE* file) {
    std::fflush(file);
    std::rewind(file);
    std::string text;
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) {
        text += static_cast<char>(c);
    }
    return text;
}

TEST(TraceWriter, WritesOneLinePerEventInTheSharedFormat) {
    const harness::TempDir dir;
    std::FILE* file = dir.Open("trace", "w+b");
    ASSERT_NE(file, nullptr);
    std::int64_t now = 0;
    rtu::TraceWriter trace(file, [&now] { return now; });

    const Bytes request = Hex("00 03 00 15 00 02 D4 1E");
    const Bytes reply = Hex("00 03 04 00 01 E2 40 F2 63");
    trace.Open("/dev/ttyUSB0");
    now = 200'031;
    trace.Tx(request);
    now = 254'977;
    trace.Rx(request, rtu::RxVerdict::Echo);
    trace.Rx(reply, rtu::RxVerdict::Ok);
    now = 8'412'000'005;
    trace.Rx(Hex("00 83"), rtu::RxVerdict::Short);
    trace.Rx(Hex("00 03 04 00 01 E2 40 F2 64"), rtu::RxVerdict::Checksum);
    now = 8'413'999'999;
    trace.Error("device gone");
    trace.Close();

    EXPECT_EQ(Contents(file),
              "0.000000 open /dev/ttyUSB0\n"
              "0.200031 tx 00 03 00 15 00 02 D4 1E\n"
              "0.254977 rx 00 03 00 15 00 02 D4 1E echo\n"
              "0.254977 rx 00 03 04 00 01 E2 40 F2 63 ok\n"
              "8412.000005 rx 00 83 short\n"
              "8412.000005 rx 00 03 04 00 01 E2 40 F2 64 checksum\n"
              "8413.999999 error device gone\n"
              "8413.999999 close\n");
    std::fclose(file);
}

TEST(TraceLine, StaysOneLineWithinItsBufferWhateverItIsGiven) {
    rtu::TraceLine named(1);
    named.Word("open").Word("/dev/tty\nUSB0\t");
    EXPECT_EQ(named.Text(), "0.000001 open /dev/tty?USB0?");
    EXPECT_EQ(named.WithLineEnd(), "0.000001 open /dev/tty?USB0?\n");

    const Bytes huge(600, 0xAB);
    rtu::TraceLine cut(0);
    cut.Word("rx").Hex(huge).Word("checksum");
    EXPECT_EQ(cut.Text().size(), rtu::TraceLine::kCapacity);
    EXPECT_EQ(cut.WithLineEnd().back(), '\n');
    EXPECT_EQ(cut.Text().substr(0, 18), "0.000000 rx AB AB ");
}

// The path is UTF-8 like all the program's text (a folder named in Chinese), and the lines end
// in a bare newline on every system, as the simulated transmitter's trace does.
TEST(TraceWriter, AppendsToTheFileItsUtf8PathNamesAndRefusesOneThatCannotBeWritten) {
    namespace fs = std::filesystem;
    const harness::TempDir dir;
    const fs::path folder = dir.Path() / u8"串口记录";
    const fs::path path = folder / u8"跟踪 1.txt";
    fs::create_directory(folder);
    std::ofstream(path, std::ios::binary) << "earlier\n";
    {
        std::string error;
        auto trace = rtu::TraceWriter::Open(harness::Utf8(path), error,
                                            [] { return std::int64_t{3'000'000}; });
        ASSERT_NE(trace, nullptr) << error;
        trace->Close();
    }
    EXPECT_EQ(harness::FileBytes(path), "earlier\n3.000000 close\n");

    std::string error;
    EXPECT_EQ(rtu::TraceWriter::Open(harness::Utf8(dir.Path() / "none" / "x"), error), nullptr);
    EXPECT_EQ(error, "No such file or directory");
}

}  // namespace
