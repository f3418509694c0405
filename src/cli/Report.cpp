#include "cli/Report.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "seams/Utf8File.h"

namespace cli {
namespace {

std::mutex timeMutex;  // std::localtime and std::gmtime share one buffer

// Seconds since 1970 of a broken-down time read as if it were UTC.
std::int64_t AsUtcSeconds(const std::tm& tm) {
    using namespace std::chrono;
    const year_month_day date{year{tm.tm_year + 1900}, month{static_cast<unsigned>(tm.tm_mon + 1)},
                              day{static_cast<unsigned>(tm.tm_mday)}};
    return sys_days(date).time_since_epoch().count() * 86400LL + tm.tm_hour * 3600LL +
           tm.tm_min * 60LL + tm.tm_sec;
}

std::string Errno(int error) {
    return error != 0 ? std::strerror(error) : "write error";
}

}  // namespace

std::string CsvField(std::string_view text) {
    const bool quoted = text.find_first_of(",\"\r\n") != std::string_view::npos ||
                        (!text.empty() && (text.front() == ' ' || text.back() == ' '));
    if (!quoted) {
        return std::string(text);
    }
    std::string field = "\"";
    for (const char c : text) {
        field += c;
        if (c == '"') {
            field += '"';
        }
    }
    field += '"';
    return field;
}

std::string CsvLine(const ReportRow& row) {
    std::string line;
    for (const std::string* field : {&row.time, &row.port, &row.adapter, &row.firmware, &row.status,
                                     &row.result, &row.changes}) {
        line += CsvField(*field);
        line += ',';
    }
    line += std::to_string(row.ms);
    line += '\n';
    return line;
}

std::string LocalIsoTime(std::chrono::system_clock::time_point when) {
    const std::time_t t = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    std::tm utc{};
    {
        const std::lock_guard lock(timeMutex);
        local = *std::localtime(&t);
        utc = *std::gmtime(&t);
    }
    std::array<char, 32> text{};
    std::strftime(text.data(), text.size(), "%Y-%m-%dT%H:%M:%S", &local);
    std::string iso = text.data();
    // %z is no offset on every C library; the difference of the two broken-down times is.
    const std::int64_t offset = (AsUtcSeconds(local) - AsUtcSeconds(utc)) / 60;
    if (offset == 0) {
        return iso + "Z";
    }
    const std::int64_t minutes = offset < 0 ? -offset : offset;
    std::snprintf(text.data(), text.size(), "%c%02lld:%02lld", offset < 0 ? '-' : '+',
                  static_cast<long long>(minutes / 60), static_cast<long long>(minutes % 60));
    return iso + text.data();
}

std::unique_ptr<ReportFile> ReportFile::Open(const std::string& path, std::string& error) {
    std::error_code ignored;
    if (std::filesystem::is_directory(
            std::filesystem::path(std::u8string(path.begin(), path.end())), ignored)) {
        error = "it is a directory";
        return nullptr;
    }
    errno = 0;
    std::FILE* file = seams::OpenUtf8Path(path, "ab");
    if (file == nullptr) {
        error = errno != 0 ? std::strerror(errno) : "cannot be opened";
        return nullptr;
    }
    std::unique_ptr<ReportFile> report(new ReportFile(file, path));
    if (std::fseek(file, 0, SEEK_END) != 0) {
        error = Errno(errno);
        return nullptr;
    }
    if (std::ftell(file) == 0) {
        const std::string header = std::string(kReportHeader) + "\n";
        errno = 0;
        if (std::fwrite(header.data(), 1, header.size(), file) != header.size() ||
            std::fflush(file) != 0) {
            error = Errno(errno);
            return nullptr;
        }
    }
    return report;
}

ReportFile::~ReportFile() {
    std::fclose(file_);
}

bool ReportFile::Append(const ReportRow& row, std::string& error) {
    const std::string line = CsvLine(row);
    const std::lock_guard lock(mutex_);
    errno = 0;
    if (std::fwrite(line.data(), 1, line.size(), file_) != line.size() || std::fflush(file_) != 0) {
        error = Errno(errno);
        std::clearerr(file_);
        return false;
    }
    return true;
}

}  // namespace cli
