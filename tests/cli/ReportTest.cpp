#include "cli/Report.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include "harness/TempDir.h"

namespace {

void SetTimeZone(const char* zone) {
#ifdef _WIN32
    _putenv_s("TZ", zone);
    _tzset();
#else
    if (zone[0] == '\0') {
        ::unsetenv("TZ");
    } else {
        ::setenv("TZ", zone, 1);
    }
    ::tzset();
#endif
}

TEST(Report, FieldsAreQuotedOnlyWhereCsvNeedsIt) {
    struct Row {
        std::string_view text;
        std::string_view field;
    };
    const Row rows[] = {
        {"", ""},
        {"ok", "ok"},
        {"/dev/ttyUSB0", "/dev/ttyUSB0"},
        {"WorkMode 往复->测速;CycleValue 4096->8192", "WorkMode 往复->测速;CycleValue 4096->8192"},
        {"port error: device gone", "port error: device gone"},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\nlines", "\"two\nlines\""},
        {"cr\r", "\"cr\r\""},
        {" padded", "\" padded\""},
        {"padded ", "\"padded \""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(cli::CsvField(row.text), row.field) << row.text;
    }
    const cli::ReportRow row{
        "2025-03-04T10:11:12+01:00", "/dev/pts/5", "usb-FTDI_x,y", "Ver0258", "Pass", "ok",
        "WorkMode 往复->测速",       273};
    EXPECT_EQ(cli::CsvLine(row),
              "2025-03-04T10:11:12+01:00,/dev/pts/5,\"usb-FTDI_x,y\",Ver0258,Pass,ok,"
              "WorkMode 往复->测速,273\n");
}

TEST(Report, LocalTimeIsIso8601WithItsOffset) {
    // 2025-03-04 09:11:12 UTC
    const auto when = std::chrono::system_clock::time_point(std::chrono::seconds(1741079472));
    struct Row {
        const char* zone;
        const char* time;
    };
    const Row rows[] = {
        {"UTC0", "2025-03-04T09:11:12Z"},          {"CET-1", "2025-03-04T10:11:12+01:00"},
        {"IST-5:30", "2025-03-04T14:41:12+05:30"}, {"EST5", "2025-03-04T04:11:12-05:00"},
        {"CST-8", "2025-03-04T17:11:12+08:00"},
    };
    const char* saved = std::getenv("TZ");
    const std::string before = saved != nullptr ? saved : "";
    for (const Row& row : rows) {
        SetTimeZone(row.zone);
        EXPECT_EQ(cli::LocalIsoTime(when), row.time) << row.zone;
    }
    SetTimeZone(before.c_str());
}

TEST(Report, TheHeaderIsWrittenOnceWhenTheFileIsNew) {
    const harness::TempDir temp;
    const std::filesystem::path& dir = temp.Path();
    const std::string path = harness::Utf8(dir / "line.csv");
    std::string why;
    for (int run = 0; run < 2; ++run) {
        auto report = cli::ReportFile::Open(path, why);
        ASSERT_TRUE(report) << why;
        cli::ReportRow row;
        row.time = "t";
        row.port = run == 0 ? "p0" : "p1";
        row.result = "ok";
        row.ms = 1;
        EXPECT_TRUE(report->Append(row, why));
    }
    const std::string text = harness::FileBytes(dir / "line.csv");
    const std::string rows = "\nt,p0,,,,ok,,1\nt,p1,,,,ok,,1\n";
    EXPECT_EQ(text.substr(0, cli::kReportHeader.size()), cli::kReportHeader);
    EXPECT_EQ(text.substr(cli::kReportHeader.size()), rows);

    // What cannot be written is refused at once, with the reason.
    EXPECT_FALSE(cli::ReportFile::Open(harness::Utf8(dir), why));
    EXPECT_EQ(why, "it is a directory");
    EXPECT_FALSE(cli::ReportFile::Open(harness::Utf8(dir / "no" / "such.csv"), why));
    EXPECT_FALSE(why.empty());
}

}  // namespace
