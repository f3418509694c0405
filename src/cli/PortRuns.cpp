#include "cli/PortRuns.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <mutex>
#include <sstream>
#include <streambuf>
#include <system_error>
#include <thread>

#include "cli/ConfigJson.h"
#include "link/TraceLine.h"

namespace cli {
namespace {

// Hands each complete line to the shared stream in one piece, so that the lines of several
// ports do not tear each other.
class LineSink : public std::streambuf {
public:
    LineSink(std::ostream& to, std::mutex& mutex) : to_(to), mutex_(mutex) {}
    ~LineSink() override {
        if (!line_.empty()) {
            line_ += '\n';
            Emit();
        }
    }
    LineSink(const LineSink&) = delete;
    LineSink& operator=(const LineSink&) = delete;

protected:
    int_type overflow(int_type c) override {
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            Put(traits_type::to_char_type(c));
        }
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char* text, std::streamsize count) override {
        for (std::streamsize i = 0; i < count; ++i) {
            Put(text[i]);
        }
        return count;
    }

private:
    void Put(char c) {
        line_ += c;
        if (c == '\n') {
            Emit();
        }
    }
    void Emit() {
        const std::lock_guard lock(mutex_);
        to_ << line_;
        to_.flush();
        line_.clear();
    }

    std::ostream& to_;
    std::mutex& mutex_;
    std::string line_;
};

struct Shared {
    Command command;
    bool identify;
    const PortOpener& open;
    const DeviceCommand& run;
    ReportFile* report;
    std::ostream& out;
    std::ostream& err;
    bool many;
    std::mutex mutex;  // over out and err
};

// One device from opening its port to its report row; returns its exit status.
int RunOne(const PortJob& job, Shared& shared) {
    const auto started = std::chrono::steady_clock::now();
    LineSink errLines(shared.err, shared.mutex);
    std::ostream manyErr(&errLines);
    std::ostringstream manyOut;
    std::ostream& out = shared.many ? static_cast<std::ostream&>(manyOut) : shared.out;
    std::ostream& err = shared.many ? manyErr : shared.err;
    const std::string tag =
        shared.many ? "transmitter-cli: " + job.port + ": " : "transmitter-cli: ";

    RunRecord record;
    int status = kDone;
    try {
        Opening opening = shared.open(job.port);
        if (!opening.link) {
            err << tag << opening.message << '\n';
            record.result = "port error: " + std::string(rtu::ErrorWords(opening.error));
            status = kDeviceFailed;
            if (shared.many && shared.command == Command::Read) {
                out << FailedReadingJson(job.port, record.result);
            }
        } else {
            DeviceRun run{opening.link->Link(), out, err, tag};
            if (shared.many && shared.command == Command::Read) {
                run.port = job.port;
            }
            run.identify = shared.identify;
            status = shared.run(run);
            record = std::move(run.record);
        }
    } catch (const std::exception& e) {
        err << tag << "failed: " << e.what() << '\n';
        record.result = "failed: " + std::string(e.what());
        status = kDeviceFailed;
    }
    if (record.result.empty()) {
        record.result = status == kDone ? "ok" : "failed";
    }
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - started)
                        .count();

    if (shared.many) {
        std::string line = manyOut.str();
        if (shared.command != Command::Read) {
            line = job.port + ": " + record.result;
            if (!record.differences.empty()) {
                line += ": " + record.differences;
            }
            line += '\n';
        }
        const std::lock_guard lock(shared.mutex);
        shared.out << line;
        shared.out.flush();
    }
    if (shared.report != nullptr) {
        const ReportRow row{LocalIsoTime(std::chrono::system_clock::now()),
                            job.port,
                            job.adapter,
                            record.firmware,
                            record.status,
                            record.result,
                            record.changes,
                            ms};
        std::string why;
        if (!shared.report->Append(row, why)) {
            err << tag << "the report row was not written to " << shared.report->Path() << ": "
                << why << '\n';
            status = std::max(status, kDeviceFailed);
        }
    }
    return status;
}

}  // namespace

int RunOnPorts(const std::vector<PortJob>& jobs, Command command, bool identify,
               const PortOpener& open, const DeviceCommand& run, ReportFile* report,
               std::ostream& out, std::ostream& err) {
    Shared shared{command, identify, open, run, report, out, err, jobs.size() > 1, {}};
    if (!shared.many) {
        return jobs.empty() ? kDone : RunOne(jobs.front(), shared);
    }
    std::vector<int> statuses(jobs.size(), kDone);
    std::vector<std::thread> threads;
    threads.reserve(jobs.size());
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        try {
            threads.emplace_back([&, i] { statuses[i] = RunOne(jobs[i], shared); });
        } catch (const std::system_error&) {
            statuses[i] = RunOne(jobs[i], shared);  // no thread to be had: this one waits its turn
        }
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    int worst = kDone;
    for (const int status : statuses) {
        worst = std::max(worst, status);
    }
    return worst;
}

}  // namespace cli
