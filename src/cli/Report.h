#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

namespace cli {

// One device's row of the report.
struct ReportRow {
    std::string time;      // local time, ISO 8601: 2025-03-04T10:11:12+01:00
    std::string port;      // as given on the command line
    std::string adapter;   // its /dev/serial/by-id link or serial number, where known
    std::string firmware;  // "Ver0258", where read
    std::string status;    // "Pass", "Fail", "Unknow", where read
    std::string result;    // ok, no answer, garbled reply, exception N, verify failed, ...
    std::string changes;   // "Key old->new", separated by ';'
    std::int64_t ms = 0;   // the device's run, port opened and closed included
};

inline constexpr std::string_view kReportHeader =
    "time,port,adapter,firmware,status,result,changes,ms";

// A field as CSV carries it: in double quotes, its own doubled, when it holds a comma, a quote,
// a line end or a blank at either end; else as it is.
std::string CsvField(std::string_view text);
// The row as one CSV line, with its line end.
std::string CsvLine(const ReportRow& row);

// `when` in local time: 2025-03-04T10:11:12+01:00 (Z where local time is UTC).
std::string LocalIsoTime(std::chrono::system_clock::time_point when);

// The report file, open for appending from the start of the run; rows from many threads.
class ReportFile {
public:
    // Opens (creates) `path` for appending and writes the header when it is empty. Returns
    // nothing and sets `error` to the system's reason when it cannot be written.
    static std::unique_ptr<ReportFile> Open(const std::string& path, std::string& error);
    ~ReportFile();
    ReportFile(const ReportFile&) = delete;
    ReportFile& operator=(const ReportFile&) = delete;

    // Appends the row and flushes it; false, with the system's reason, when it was not written.
    bool Append(const ReportRow& row, std::string& error);
    const std::string& Path() const { return path_; }

private:
    ReportFile(std::FILE* file, std::string path) : file_(file), path_(std::move(path)) {}

    std::mutex mutex_;
    std::FILE* file_;
    std::string path_;
};

}  // namespace cli
