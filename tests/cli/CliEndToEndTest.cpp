// transmitter-cli as a script runs it: the built program, started as a process, talking over a
// pseudo-terminal to the simulated transmitter served in this test. The simulator's log shows
// every request that reached the line.
//
// Real time: bounds on elapsed time are loose, so that a loaded machine makes a test slower, not
// red.

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <algorithm>
#include <atomic>
#include <fstream>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "Ser2net.h"
#include "link/NetworkAddress.h"
#include "posix/LineServer.h"

namespace {

struct Finished {
    int exitCode = -1;
    std::string out;
    std::string err;
    qint64 elapsedMs = 0;
};

// A simulated transmitter that keeps the requests it received, in hex: on a pseudo-terminal, or
// on a TCP port as a serial server when an address to listen on is given.
class Device {
public:
    explicit Device(std::optional<std::string> listen = {}) {
        server_.SetLog([this](std::string_view line) {
            // "12.345678 rx 00 03 ... ok": requests are "rx" with their verdict, replies "tx".
            const auto space = line.find(' ');
            const std::string_view rest = line.substr(space + 1);
            if (rest.starts_with("tx 00 10") && spoilAfterWrite_.exchange(false)) {
                server_.SetRegister(5, 0);  // the device loses the work mode it just took
            }
            if (rest.starts_with("rx ")) {
                const std::string_view frame = rest.substr(3, rest.rfind(' ') - 3);
                const std::lock_guard lock(mutex_);
                requests_.emplace_back(frame);
            }
        });
        if (listen) {
            server_.Listen(*rtu::ParseNetworkAddress(*listen, 0));
        } else {
            server_.Start();
        }
    }
    ~Device() { server_.Stop(); }

    posix::LineServer& Server() { return server_; }
    QString Path() const { return QString::fromStdString(server_.Path()); }
    std::vector<std::string> Requests() {
        const std::lock_guard lock(mutex_);
        return requests_;
    }
    void ForgetRequests() {
        const std::lock_guard lock(mutex_);
        requests_.clear();
    }
    std::vector<std::uint16_t> Registers(std::size_t first, std::size_t count) {
        std::vector<std::uint16_t> values;
        for (std::size_t r = first; r < first + count; ++r) {
            values.push_back(server_.Register(r));
        }
        return values;
    }
    void SpoilAfterWrite() { spoilAfterWrite_ = true; }

private:
    posix::LineServer server_;
    std::mutex mutex_;
    std::vector<std::string> requests_;
    std::atomic<bool> spoilAfterWrite_{false};
};

Finished Cli(const QStringList& arguments, const QByteArray& input = {}) {
    QProcess process;
    QElapsedTimer clock;
    clock.start();
    process.start(QStringLiteral(TRANSMITTER_CLI), arguments);
    EXPECT_TRUE(process.waitForStarted(10'000));
    process.write(input);
    process.closeWriteChannel();
    EXPECT_TRUE(process.waitForFinished(30'000)) << arguments.join(' ').toStdString();
    Finished run;
    run.elapsedMs = clock.elapsed();
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput().toStdString();
    run.err = process.readAllStandardError().toStdString();
    return run;
}

QJsonObject JsonOf(const std::string& text) {
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(text));
    EXPECT_TRUE(document.isObject()) << text;
    return document.object();
}

const std::string kReadAll = "00 03 00 00 00 15 85 D4";

TEST(CliEndToEnd, ReadPrintsTheDeviceAsJsonWithTheWindowsRequests) {
    Device device;
    device.Server().SetRegister(1, 2);  // 19200
    device.Server().SetRegister(3, 4);  // the protocol rule: "被动"
    device.Server().SetRegister(12, 0xBEEF);
    device.Server().Update([](sim::Transmitter& t) { t.SetPosition(123456); });

    const Finished run = Cli({"read", "--port", device.Path()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::cout << "[ measured ] read took " << run.elapsedMs << " ms\n";
    const QJsonObject json = JsonOf(run.out);
    EXPECT_EQ(json.size(), 19);
    EXPECT_EQ(json["CommAddress"].toInt(), 1);
    EXPECT_EQ(json["BaudRate"].toString(), "19200");
    EXPECT_EQ(json["Parity"].toString(), "无校验");
    EXPECT_EQ(json["Protocol"].toString(), "被动");
    EXPECT_EQ(json["TurnCountMode"].toString(), "多圈");
    EXPECT_EQ(json["ResolutionPerTurn"].toInt(), 3600);
    EXPECT_EQ(json["CycleValue"].toInteger(), 0xBEEF);
    EXPECT_EQ(json["CurrentPosition"].toInteger(), 123456);
    EXPECT_EQ(json["Status"].toString(), "Pass");
    EXPECT_EQ(json["FirmwareVersion"].toString(), "Ver0258");
    EXPECT_EQ(device.Requests(),
              (std::vector<std::string>{kReadAll, "00 03 00 17 00 03 B4 1E",
                                        "00 03 00 15 00 02 D4 1E", "00 03 00 1B 00 01 F5 DC"}));
}

TEST(CliEndToEnd, SaveWritesTheWindowsFrameAndVerifiesIt) {
    Device device;
    const Finished run = Cli({"save", "--port", device.Path(), "WorkMode=测速"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(device.Server().Register(5), 2);
    const std::string write =
        "00 10 00 00 00 13 26 00 01 00 05 00 00 00 00 00 01 00 02 00 00 0E 10 00 00 0C CC 00 00 "
        "00 00 10 00 00 00 10 00 00 00 10 00 00 00 00 00 68 8E";
    EXPECT_EQ(device.Requests(), (std::vector<std::string>{kReadAll, write, kReadAll}));
}

TEST(CliEndToEnd, AFailedVerifyIsReported) {
    Device device;
    device.SpoilAfterWrite();
    const Finished run = Cli({"save", "--port", device.Path(), "WorkMode=2"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("register 5 (WorkMode) wrote 2, read back 0"), std::string::npos)
        << run.err;

    device.SpoilAfterWrite();
    EXPECT_EQ(Cli({"save", "--port", device.Path(), "WorkMode=2", "--no-verify"}).exitCode, 0);
}

TEST(CliEndToEnd, ARefusedValueNamesItsKeyAndPutsNothingOnTheLine) {
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    file.write(R"({"CommAddress": 2, "CurrentUpperLimit": 70000})");
    file.close();
    QTemporaryFile nulls;  // what read prints of a device whose values could not all be read
    ASSERT_TRUE(nulls.open());
    nulls.write(R"({"CommAddress": 1, "Protocol": null, "CycleValue": null, "Status": "Pass"})");
    nulls.close();
    QTemporaryFile twice;
    ASSERT_TRUE(twice.open());
    twice.write(R"({"WorkMode": 1, "WorkMode": 2})");
    twice.close();
    struct Row {
        QStringList arguments;
        std::string key;
    };
    const Row rows[] = {
        {{"save", "WorkMode=7"}, "WorkMode"},
        {{"save", "CycleValue=-1"}, "CycleValue"},
        {{"save", "Bogus=1"}, "Bogus"},
        {{"save", file.fileName(), "WorkMode=1"}, "CurrentUpperLimit"},
        {{"save", "/nonexistent/cfg.json"}, "cfg.json"},
        {{"preset", "2147483648"}, "PresetPosition"},
        {{"read", "--trace", "/nonexistent/trace.log"}, "trace.log"},
        {{"read", "--report", "/nonexistent/line.csv"}, "line.csv"},
        {{"save", "--report", QDir::tempPath(), "WorkMode=1"}, "report file"},
        {{"save", nulls.fileName()}, "null for Protocol, CycleValue"},
        {{"save", twice.fileName()}, "the key \"WorkMode\" is given twice"},
        {{"save", QDir::tempPath()}, "it is a directory"},
        {{"diff", QDir::tempPath()}, "it is a directory"},
        {{"diff", twice.fileName()}, "given twice"},
        {{"save", "Workmode=1"}, "the keys are CommAddress, BaudRate"},
    };
    Device device;
    const auto before = device.Registers(0, 21);
    for (const Row& row : rows) {
        const Finished run = Cli(row.arguments + QStringList{"--port", device.Path()});
        EXPECT_EQ(run.exitCode, 2) << row.key;
        EXPECT_NE(run.err.find(row.key), std::string::npos) << run.err;
    }
    EXPECT_TRUE(device.Requests().empty());
    EXPECT_EQ(device.Registers(0, 21), before);
}

TEST(CliEndToEnd, PresetWritesRegisters19And20Only) {
    Device device;
    const auto configuration = device.Registers(0, 19);
    const Finished run = Cli({"preset", "--port", device.Path(), "100000"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(device.Registers(19, 2), (std::vector<std::uint16_t>{0x0001, 0x86A0}));
    EXPECT_EQ(device.Registers(0, 19), configuration);
    EXPECT_EQ(device.Requests(),
              (std::vector<std::string>{"00 10 00 13 00 02 04 00 01 86 A0 85 92"}));
}

TEST(CliEndToEnd, ASilentDeviceFailsAfterItsRetries) {
    Device device;
    device.Server().SetFaults({.silentFor = sim::Scope::Every});
    const Finished run =
        Cli({"read", "--port", device.Path(), "--timeout-ms", "300", "--retries", "1"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.empty()) << run.out;
    EXPECT_NE(run.err.find("no answer"), std::string::npos) << run.err;
    EXPECT_EQ(device.Requests(), (std::vector<std::string>{kReadAll, kReadAll}));
    // Two attempts of 300 ms, plus starting a process on a busy machine.
    EXPECT_GE(run.elapsedMs, 600);
    EXPECT_LT(run.elapsedMs, 3000);
}

TEST(CliEndToEnd, AnExceptionReplyFailsNamingItsCode) {
    struct Row {
        sim::Scope refused;
        QStringList arguments;
        std::size_t requests;  // up to the refused one, and after it for read
        bool printsJson;
    };
    const Row rows[] = {
        {sim::Scope::Write, {"save", "WorkMode=1"}, 2, false},
        {sim::Scope::Write, {"preset", "5"}, 1, false},
        {sim::Scope::ConfigurationRead, {"read"}, 1, false},
        {sim::Scope::StatusRead, {"read"}, 4, true},
    };
    for (const Row& row : rows) {
        Device device;
        device.Server().SetFaults({.exceptionFor = row.refused, .exceptionCode = 3});
        const auto before = device.Registers(0, 21);
        const Finished run = Cli(row.arguments + QStringList{"--port", device.Path()});
        EXPECT_EQ(run.exitCode, 1) << row.arguments.join(' ').toStdString();
        EXPECT_NE(run.err.find("exception 3 (illegal data value)"), std::string::npos) << run.err;
        EXPECT_EQ(device.Registers(0, 21), before);
        EXPECT_EQ(device.Requests().size(), row.requests);
        if (row.printsJson) {
            EXPECT_EQ(JsonOf(run.out)["Status"].toString(), "Unknow");
        } else {
            EXPECT_TRUE(run.out.empty()) << run.out;
        }
    }
}

TEST(CliEndToEnd, ReadOutputSavedOnAnotherDeviceWritesTheRegistersThatWereRead) {
    Device source;
    const std::uint16_t values[] = {9,    3,      2, 2,  0,      1,      1, 1000, 1, 4000, 400,
                                    0x12, 0x3456, 0, 77, 0x7FFF, 0xFFFF, 0, 12,   0, 0x55};
    for (std::size_t r = 0; r < std::size(values); ++r) {
        source.Server().SetRegister(r, values[r]);
    }
    const Finished read = Cli({"read", "--port", source.Path()});
    ASSERT_EQ(read.exitCode, 0) << read.err;

    Device target;
    const auto targetPreset = target.Registers(19, 2);
    const Finished save =
        Cli({"save", "--port", target.Path(), "-"}, QByteArray::fromStdString(read.out));
    ASSERT_EQ(save.exitCode, 0) << save.err;
    EXPECT_EQ(target.Registers(0, 19), source.Registers(0, 19));
    EXPECT_EQ(target.Registers(19, 2), targetPreset);  // a position is not configuration
}

TEST(CliEndToEnd, AnotherAddressChangesTheAddressByteAndTheChecksum) {
    Device device;  // answers 0 and its own address, 1
    Finished run = Cli({"read", "--port", device.Path(), "--address", "1"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(device.Requests().front(), "01 03 00 00 00 15 84 05");

    run = Cli({"read", "--port", device.Path(), "--address", "2", "--timeout-ms", "100",
               "--retries", "0"});
    EXPECT_EQ(run.exitCode, 1);
}

TEST(CliEndToEnd, WatchPrintsThePositionEvery200Ms) {
    Device device;
    device.Server().Update([](sim::Transmitter& t) { t.SetPosition(777); });
    const Finished run = Cli({"watch", "--port", device.Path(), "--count", "3"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "777\n777\n777\n");
    EXPECT_GE(run.elapsedMs, 400);
    EXPECT_EQ(device.Requests().size(), 3u);
}

// The trace names the port, then each request as the device logged it and each answer with its
// verdict, and ends with the close.
TEST(CliEndToEnd, TheTraceShowsEveryFrameOfAPreset) {
    Device device;
    QTemporaryDir dir;
    const QString tracePath = dir.filePath("trace.log");
    const Finished run = Cli({"preset", "--port", device.Path(), "--trace", tracePath, "100000"});
    ASSERT_EQ(run.exitCode, 0) << run.err;

    std::ifstream in(tracePath.toStdString());
    std::vector<std::string> events;
    for (std::string line; std::getline(in, line);) {
        events.push_back(line.substr(line.find(' ') + 1));  // without the time stamp
    }
    const std::string preset = "00 10 00 13 00 02 04 00 01 86 A0 85 92";
    EXPECT_EQ(events,
              (std::vector<std::string>{"open " + device.Path().toStdString(), "tx " + preset,
                                        "rx 00 10 00 13 00 02 B1 DC ok", "close"}));
    EXPECT_EQ(device.Requests(), std::vector<std::string>{preset});
}

// Null keys are refused unless --partial keeps the target's own values on purpose, or a pair
// gives them.
TEST(CliEndToEnd, PartialPassesOverTheNullKeysOnPurpose) {
    QTemporaryFile nulls;
    ASSERT_TRUE(nulls.open());
    nulls.write(R"({"WorkMode": "测速", "Protocol": null, "CycleValue": null})");
    nulls.close();
    Device device;
    Finished run = Cli({"save", "--port", device.Path(), nulls.fileName(), "CycleValue=7"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("null for Protocol (not read"), std::string::npos) << run.err;
    EXPECT_TRUE(device.Requests().empty());

    run = Cli({"save", "--port", device.Path(), nulls.fileName(), "--partial"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(device.Server().Register(5), 2);
    EXPECT_EQ(device.Registers(11, 2), (std::vector<std::uint16_t>{0, 4096}));  // its own
}

TEST(CliEndToEnd, GarbledRepliesAreToldFromSilence) {
    struct Row {
        sim::Faults faults;
        std::string message;
    };
    const Row rows[] = {
        {{.corruptEvery = 1}, "garbled reply (checksum) to the configuration read"},
        {{.silentFor = sim::Scope::Every, .noiseBytes = 3, .noiseGapUs = 1000}, "short reply to"},
        {{.silentFor = sim::Scope::Every, .echo = true}, "no answer to the configuration read"},
    };
    for (const Row& row : rows) {
        Device device;
        device.Server().SetFaults(row.faults);
        const Finished run =
            Cli({"read", "--port", device.Path(), "--timeout-ms", "200", "--retries", "0"});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.err.find(row.message), std::string::npos) << run.err;
    }
}

TEST(CliEndToEnd, DiffNamesTheKeysThatDifferFromTheFile) {
    Device device;
    device.Server().SetRegister(5, 2);  // 测速
    QTemporaryFile reference;
    ASSERT_TRUE(reference.open());
    reference.write(R"({"WorkMode": "往复", "CycleValue": 4096, "ResolutionPerTurn": 1000,
                        "Protocol": null, "PresetPosition": 5, "Status": "Fail"})");
    reference.close();
    Finished run = Cli({"diff", "--port", device.Path(), reference.fileName()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out,
              "WorkMode: device 测速, file 往复\nResolutionPerTurn: device 3600, file 1000\n");
    EXPECT_NE(run.err.find("in 2 keys of 3"), std::string::npos) << run.err;
    EXPECT_EQ(device.Requests(), std::vector<std::string>{kReadAll});  // it only reads

    run = Cli({"diff", "--port", device.Path(), "-"},
              R"({"WorkMode": 2, "CycleValue": 4096, "Protocol": "主动"})");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("agrees with standard input (3 keys compared)"), std::string::npos)
        << run.err;

    device.Server().SetFaults({.silentFor = sim::Scope::Every});
    run = Cli({"diff", "--port", device.Path(), reference.fileName(), "--retries", "0",
               "--timeout-ms", "100"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("no answer"), std::string::npos) << run.err;
}

// A row of devices configured at once, one of them silent and one port missing: the others are
// configured, each port gets its line and its report row, and the run takes about as long as
// one device, not the sum.
TEST(CliEndToEnd, SaveOnSeveralPortsAtOnceWithAReport) {
    constexpr int kGood = 4;
    std::vector<std::unique_ptr<Device>> devices;
    QStringList ports;
    for (int i = 0; i < kGood + 1; ++i) {
        devices.push_back(std::make_unique<Device>());
        ports << devices.back()->Path();
    }
    devices.back()->Server().SetFaults({.silentFor = sim::Scope::Every});
    ports << "/dev/nonexistent-port";
    QTemporaryDir dir;
    const QString report = dir.filePath("line.csv");

    const Finished one = Cli({"save", "--port", ports.front(), "CycleValue=8192"});
    ASSERT_EQ(one.exitCode, 0) << one.err;
    const Finished run =
        Cli({"save", "--port", ports.mid(0, 3).join(','), "--port", ports.mid(3).join(','),
             "CycleValue=9000", "--report", report, "--timeout-ms", "300", "--retries", "0"});
    EXPECT_EQ(run.exitCode, 1);
    std::cout << "[ measured ] one device " << one.elapsedMs << " ms, " << ports.size()
              << " ports at once " << run.elapsedMs << " ms\n";
    for (int i = 0; i < kGood; ++i) {
        EXPECT_EQ(devices[static_cast<std::size_t>(i)]->Server().Register(12), 9000);
        EXPECT_NE(run.out.find(ports[i].toStdString() + ": ok\n"), std::string::npos) << run.out;
    }
    EXPECT_NE(run.out.find(ports[kGood].toStdString() + ": no answer\n"), std::string::npos);
    EXPECT_NE(run.out.find("/dev/nonexistent-port: port error: no such port\n"), std::string::npos);
    EXPECT_NE(run.err.find("transmitter-cli: /dev/nonexistent-port: cannot open"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("transmitter-cli: " + ports[kGood].toStdString() + ": no answer"),
              std::string::npos)
        << run.err;
    // Identified for the report (status, version), then written and verified.
    EXPECT_EQ(devices.front()->Requests().size(), 3u + 5u);
    // The silent device's 300 ms and each device's own exchanges, not their sum.
    EXPECT_LT(run.elapsedMs, 3000);

    std::ifstream in(report.toStdString());
    std::vector<std::string> rows;
    for (std::string line; std::getline(in, line);) {
        rows.push_back(line);
    }
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(ports.size()) + 1);
    EXPECT_EQ(rows[0], "time,port,adapter,firmware,status,result,changes,ms");
    const auto rowsWith = [&](const std::string& part) {
        return std::count_if(rows.begin(), rows.end(), [&](const std::string& row) {
            return row.find(part) != std::string::npos;
        });
    };
    EXPECT_EQ(rowsWith(ports.front().toStdString() + ",,Ver0258,Pass,ok,CycleValue 8192->9000,"),
              1);
    EXPECT_EQ(rowsWith(ports[kGood].toStdString() + ",,,,no answer,,"), 1);
    EXPECT_EQ(rowsWith("/dev/nonexistent-port,,,,port error: no such port,,"), 1);
}

TEST(CliEndToEnd, ReadOnSeveralPortsPrintsAJsonLineEach) {
    Device a;
    Device b;
    b.Server().Update([](sim::Transmitter& t) { t.SetPosition(42); });
    const Finished run = Cli({"read", "--port", a.Path() + "," + b.Path()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::vector<QJsonObject> lines;
    std::istringstream out(run.out);
    for (std::string line; std::getline(out, line);) {
        lines.push_back(JsonOf(line));
    }
    ASSERT_EQ(lines.size(), 2u) << run.out;
    std::set<QString> ports;
    for (const QJsonObject& json : lines) {
        EXPECT_EQ(json.size(), 20);
        ports.insert(json["Port"].toString());
        EXPECT_EQ(json["CurrentPosition"].toInteger(), json["Port"] == b.Path() ? 42 : 0);
    }
    EXPECT_EQ(ports, (std::set<QString>{a.Path(), b.Path()}));
}

// transmitter-sim as a program of its own, on the pseudo-terminal whose path it prints first.
class SimProcess {
public:
    explicit SimProcess(const QStringList& arguments) {
        process_.start(QStringLiteral(TRANSMITTER_SIM), arguments);
        EXPECT_TRUE(process_.waitForStarted(10'000));
        while (!process_.canReadLine() && process_.waitForReadyRead(10'000)) {
        }
        path_ = QString::fromUtf8(process_.readLine()).trimmed();
        EXPECT_TRUE(path_.startsWith("/dev/")) << process_.readAllStandardError().toStdString();
    }
    ~SimProcess() {
        process_.terminate();
        process_.waitForFinished(10'000);
    }
    const QString& Path() const { return path_; }

private:
    QProcess process_;
    QString path_;
};

// A customer's trace, replayed at the desk, makes the cli say what it said at the customer's:
// the same JSON, messages and exit statuses, through an echoing adapter, late replies, an
// exception and corrupted replies.
TEST(CliEndToEnd, AReplayedTraceGivesTheSameJsonAndMessages) {
    QTemporaryDir dir;
    const QString trace = dir.filePath("field.trace");
    const QString reference = dir.filePath("reference.json");
    { std::ofstream(reference.toStdString()) << R"({"WorkMode": "循环", "CycleValue": 4096})"; }
    const QStringList steps[] = {
        {"read"},
        {"save", "WorkMode=测速", "CycleValue=8192"},
        {"diff", reference},
        {"preset", "100000"},
        {"read", "--retries", "0"},
    };
    std::vector<Finished> recorded;
    {
        SimProcess field(
            {"--echo", "--delay-ms", "100", "--exception=status", "--corrupt-every", "3"});
        for (const QStringList& step : steps) {
            recorded.push_back(Cli(step + QStringList{"--port", field.Path(), "--trace", trace,
                                                      "--timeout-ms", "400"}));
        }
    }
    // What the field saw: the exception, the corrupted replies passed over and retried.
    EXPECT_EQ(recorded[0].exitCode, 1);
    EXPECT_NE(recorded[0].err.find("exception 4"), std::string::npos) << recorded[0].err;
    EXPECT_EQ(JsonOf(recorded[0].out)["Status"].toString(), "Unknow");
    EXPECT_EQ(recorded[1].exitCode, 0) << recorded[1].err;
    EXPECT_EQ(recorded[2].exitCode, 1) << recorded[2].err;
    EXPECT_EQ(recorded[2].out,
              "WorkMode: device 测速, file 循环\nCycleValue: device 8192, file 4096\n");
    EXPECT_NE(recorded[4].err.find("garbled reply (checksum) to the status read"),
              std::string::npos)
        << recorded[4].err;
    std::ifstream in(trace.toStdString());
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    for (const char* verdict : {" echo\n", " checksum\n", " ok\n"}) {
        EXPECT_NE(text.find(verdict), std::string::npos) << verdict;
    }

    SimProcess desk({"--replay", trace});
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        const Finished again =
            Cli(steps[i] + QStringList{"--port", desk.Path(), "--timeout-ms", "400"});
        SCOPED_TRACE(steps[i].join(' ').toStdString());
        EXPECT_EQ(again.exitCode, recorded[i].exitCode);
        EXPECT_EQ(again.out, recorded[i].out);
        EXPECT_EQ(again.err, recorded[i].err);
    }
    // A request the trace never saw gets no answer.
    const Finished unknown = Cli(
        {"read", "--port", desk.Path(), "--address", "7", "--retries", "0", "--timeout-ms", "200"});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_NE(unknown.err.find("no answer to the configuration read"), std::string::npos)
        << unknown.err;
}

TEST(CliEndToEnd, TheSimulatorRefusesATraceItCannotReplay) {
    QTemporaryDir dir;
    const QString deviceSide = dir.filePath("sim.log");
    { std::ofstream(deviceSide.toStdString()) << "1.000000 rx 00 03 00 1B 00 01 F5 DC ok\n"; }
    struct Row {
        QStringList arguments;
        std::string message;
    };
    const Row rows[] = {
        {{"--replay", dir.filePath("missing.trace")}, "missing.trace: No such file"},
        {{"--replay", dir.path()}, "it is a directory"},
        {{"--replay", deviceSide}, "no open line"},
        {{"--replay", deviceSide, "--echo"}, "--echo does not go with it"},
    };
    for (const Row& row : rows) {
        QProcess sim;
        sim.start(QStringLiteral(TRANSMITTER_SIM), row.arguments);
        ASSERT_TRUE(sim.waitForFinished(10'000));
        EXPECT_EQ(sim.exitCode(), 2);
        const std::string err = sim.readAllStandardError().toStdString();
        EXPECT_NE(err.find(row.message), std::string::npos) << err;
        EXPECT_TRUE(sim.readAllStandardOutput().isEmpty());
    }
}

// A read, a save and a preset through every kind of serial server put on the line exactly the
// bytes they put on a serial port, and end as they do there: through ser2net in front of the
// device's pseudo-terminal and through the simulator's own TCP port, raw and RFC 2217.
TEST(CliNetwork, ReadSaveAndPresetAreByteExactThroughEverySerialServer) {
    const auto runAll = [](Device& device, const QString& port) {
        device.ForgetRequests();
        device.Server().SetRegister(5, 0);
        std::vector<int> exits;
        const Finished read = Cli({"read", "--port", port});
        exits.push_back(read.exitCode);
        EXPECT_EQ(read.exitCode, 0) << port.toStdString() << ": " << read.err;
        exits.push_back(Cli({"save", "--port", port, "WorkMode=测速"}).exitCode);
        exits.push_back(Cli({"preset", "--port", port, "100000"}).exitCode);
        EXPECT_EQ(device.Registers(5, 1), std::vector<std::uint16_t>{2}) << port.toStdString();
        EXPECT_EQ(device.Registers(19, 2), (std::vector<std::uint16_t>{0x0001, 0x86A0}))
            << port.toStdString();
        return std::make_pair(exits, device.Requests());
    };
    Device serial;
    const auto reference = runAll(serial, serial.Path());
    ASSERT_EQ(reference.first, (std::vector<int>{0, 0, 0}));

    Device behindRaw;
    Device behindRfc2217;
    Ser2net ser2net(behindRaw.Server().Path(), behindRfc2217.Server().Path());
    ASSERT_TRUE(ser2net.Running())
        << Ser2net::kProgram << " is missing: scripts/deps.sh installs it";
    Device raw("tcp://127.0.0.1:0");
    Device telnet("rfc2217://127.0.0.1:0");
    const std::vector<std::pair<Device*, QString>> routes{
        {&behindRaw, QString::fromStdString(ser2net.Raw())},
        {&behindRfc2217, QString::fromStdString(ser2net.Rfc2217())},
        {&raw, raw.Path()},
        {&telnet, telnet.Path()},
    };
    for (const auto& [device, port] : routes) {
        const auto run = runAll(*device, port);
        EXPECT_EQ(run.first, reference.first) << port.toStdString();
        EXPECT_EQ(run.second, reference.second) << port.toStdString();
    }
}

// A server that refuses the connection fails the port at once, saying so; one that goes away
// while the position is watched ends the watch with the lost connection.
TEST(CliNetwork, ARefusedConnectionAndAServerThatGoesAwayAreTold) {
    std::string refusedPort;
    {
        Device gone("tcp://127.0.0.1:0");
        refusedPort = gone.Path().toStdString();
    }
    const Finished refused = Cli({"read", "--port", QString::fromStdString(refusedPort)});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("connection refused"), std::string::npos) << refused.err;
    EXPECT_LT(refused.elapsedMs, 3000);

    Device device;
    Device unused;
    Ser2net ser2net(unused.Server().Path(), device.Server().Path());
    ASSERT_TRUE(ser2net.Running());
    QProcess watch;
    watch.start(QStringLiteral(TRANSMITTER_CLI),
                {"watch", "--port", QString::fromStdString(ser2net.Rfc2217())});
    ASSERT_TRUE(watch.waitForReadyRead(10'000)) << watch.readAllStandardError().toStdString();
    ser2net.Stop();
    ASSERT_TRUE(watch.waitForFinished(10'000));
    EXPECT_EQ(watch.exitCode(), 1);
    const std::string err = watch.readAllStandardError().toStdString();
    EXPECT_NE(err.find("the connection to the serial server was lost"), std::string::npos) << err;
}

}  // namespace
