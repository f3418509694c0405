#include "cli/PortRuns.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "harness/FakeSerialControl.h"
#include "harness/FakeTimer.h"
#include "harness/VirtualClock.h"

namespace {

class NoWait : public cli::Wait {
public:
    void For(int /*ms*/) override {}
    void Stop() override {}
    bool Interrupted() const override { return false; }
};

// A link that is never asked: the commands below stand in for the device.
class IdleLink : public cli::PortLink {
public:
    IdleLink() : serial_(clock_), timer_(clock_, 50), exchange_(serial_, timer_, wait_, {}) {}
    cli::Exchange& Link() override { return exchange_; }

private:
    harness::VirtualClock clock_;
    harness::FakeSerialControl serial_;
    harness::FakeTimer timer_;
    NoWait wait_;
    cli::Exchange exchange_;
};

// The port named "gone" does not open; every other does.
cli::Opening Open(const std::string& port) {
    cli::Opening opening;
    if (port == "gone") {
        opening.error = rtu::SerialError::NotFound;
        opening.message = "cannot open gone: no such port";
    } else {
        opening.link = std::make_unique<IdleLink>();
    }
    return opening;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

std::vector<cli::PortJob> Jobs(std::initializer_list<const char*> ports) {
    std::vector<cli::PortJob> jobs;
    for (const char* port : ports) {
        jobs.push_back({port, std::string("adapter-") + port});
    }
    return jobs;
}

// Each port's command by its port's name: "bad" fails with no answer, "odd" differs.
int Command(cli::DeviceRun& run, const std::string& port) {
    run.err << run.tag << "working on " << port << '\n';
    run.record.firmware = "Ver0258";
    run.record.status = "Pass";
    if (port == "bad") {
        run.record.result = "no answer";
        return cli::kDeviceFailed;
    }
    if (port == "odd") {
        run.record.result = "differs";
        run.record.differences = "WorkMode: device 测速, file 往复";
        return cli::kDeviceFailed;
    }
    if (port == "refused") {
        run.record.result = "refused value";
        return cli::kRefused;
    }
    run.record.changes = "CycleValue 4096->8192";
    return cli::kDone;
}

// Runs with a command that knows which port it is on by the line tag.
int RunAll(const std::vector<cli::PortJob>& jobs, cli::Command command, std::ostream& out,
           std::ostream& err) {
    std::map<std::string, std::string> byTag;
    for (const cli::PortJob& job : jobs) {
        byTag["transmitter-cli: " + job.port + ": "] = job.port;
    }
    const cli::DeviceCommand run = [&](cli::DeviceRun& device) {
        const auto it = byTag.find(device.tag);
        return Command(device, it == byTag.end() ? jobs.front().port : it->second);
    };
    return cli::RunOnPorts(jobs, command, false, Open, run, nullptr, out, err);
}

TEST(PortRuns, SeveralPortsGiveALineEachAndTheWorstStatus) {
    struct Row {
        std::vector<cli::PortJob> jobs;
        int status;
        std::vector<std::string> out;
    };
    const Row rows[] = {
        {Jobs({"a", "b"}), 0, {"a: ok", "b: ok"}},
        {Jobs({"a", "bad", "gone"}),
         1,
         {"a: ok", "bad: no answer", "gone: port error: no such port"}},
        {Jobs({"odd", "a"}), 1, {"a: ok", "odd: differs: WorkMode: device 测速, file 往复"}},
        {Jobs({"refused", "bad", "a"}), 2, {"a: ok", "bad: no answer", "refused: refused value"}},
    };
    for (const Row& row : rows) {
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(RunAll(row.jobs, cli::Command::Save, out, err), row.status);
        EXPECT_EQ(Lines(out.str()), row.out);
        // Every message is a whole line that names its port.
        for (const std::string& line : Lines(err.str())) {
            const std::string port = line.substr(17, line.find(':', 17) - 17);
            EXPECT_TRUE(line == "transmitter-cli: " + port + ": working on " + port ||
                        line == "transmitter-cli: gone: cannot open gone: no such port")
                << line;
        }
    }
}

TEST(PortRuns, ReadOfSeveralPortsPrintsAnErrorObjectForAPortThatDidNotOpen) {
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(RunAll(Jobs({"a", "gone"}), cli::Command::Read, out, err), 1);
    // The stand-in command prints no JSON itself.
    EXPECT_EQ(out.str(), "{\"Port\": \"gone\", \"Error\": \"port error: no such port\"}\n");
}

// Each device runs on a thread of its own, all at once: none finishes before all have started.
TEST(PortRuns, SeveralPortsRunAtTheSameTimeOnThreadsOfTheirOwn) {
    constexpr std::size_t kPorts = 8;
    std::mutex mutex;
    std::condition_variable allStarted;
    std::size_t started = 0;
    std::set<std::thread::id> threads;
    bool together = true;
    std::vector<cli::PortJob> jobs;
    for (std::size_t i = 0; i < kPorts; ++i) {
        jobs.push_back({"p" + std::to_string(i), ""});
    }
    const cli::DeviceCommand run = [&](cli::DeviceRun&) {
        std::unique_lock lock(mutex);
        threads.insert(std::this_thread::get_id());
        ++started;
        allStarted.notify_all();
        together = allStarted.wait_for(lock, std::chrono::seconds(10), [&] {
            return started == kPorts;
        }) && together;
        return cli::kDone;
    };
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(cli::RunOnPorts(jobs, cli::Command::Preset, false, Open, run, nullptr, out, err), 0);
    EXPECT_TRUE(together);
    EXPECT_EQ(threads.size(), kPorts);
    EXPECT_EQ(threads.count(std::this_thread::get_id()), 0u);
    EXPECT_EQ(Lines(out.str()).size(), kPorts);
}

}  // namespace
