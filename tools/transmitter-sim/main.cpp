// transmitter-sim: serves a simulated position transmitter on a pseudo-terminal, or on a TCP port
// as an Ethernet serial server does, until SIGINT or SIGTERM. The first line of output is the port
// a master opens, e.g. /dev/pts/5 or tcp://127.0.0.1:20001.

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "link/NetworkAddress.h"
#include "posix/LineServer.h"
#include "product/Version.h"
#include "sim/Replay.h"

namespace {

constexpr const char* kUsage = R"(Usage: transmitter-sim [options]
Serves a simulated position transmitter (Modbus RTU slave at address 1, which also answers
address 0) on a pseudo-terminal, 115200 8N1, and prints the terminal's path on the first line.

  --listen ADDRESS         serve on a TCP port instead, as an Ethernet serial server:
                           tcp://HOST:PORT carries the bytes as they are, rfc2217://HOST:PORT
                           speaks Telnet with the COM port option (RFC 2217); PORT 0 takes a
                           free one. One client at a time: a second is closed at once. The
                           first line printed is the address, e.g. tcp://127.0.0.1:20001

  --speed N                shaft speed in counts per second (default 0: still)
  --set REG=VALUE          store VALUE (0..65535, decimal or 0x hex) in register REG (0..27);
                           21 and 22 set the live position; may be repeated
  --delay-ms N             answer N ms after the request
  --silent[=KIND]          do not answer KIND requests (default all)
  --exception=KIND[:CODE]  refuse KIND requests with exception CODE (default 4)
  --corrupt-every N        every Nth reply has a wrong checksum
  --split-gap-ms N         send each reply in two halves, N ms apart
  --glue                   send each reply twice, back to back
  --noise[=N]              send N bytes of noise (default 8) 100 ms after each reply
  --echo                   send each request back before the reply, as a 2-wire adapter that
                           hears its own transmitter does
  --quit-after N           hang up and end after answering N requests, as a device whose
                           adapter is pulled
  --log                    print every request (rx, with ok/short/checksum) and every chunk
                           sent (tx) in hex, stamped in seconds on the monotonic clock: the
                           format of transmitter-config --trace
  --replay TRACE           serve the device a trace of transmitter-config or transmitter-cli
                           (--trace) recorded: each request gets what followed the same request
                           in the trace, after about the recorded delay, the recorded answers in
                           turn and then the last again; a request the trace never saw gets no
                           answer. Only --log, --quit-after and --listen go with it
  --help                   show this text
  --version                show the version

KIND is one of: all, config (registers 0-20), position (21-22), status (23-25),
version (27), write.
)";

struct Option {
    std::string_view name;
    std::optional<std::string_view> value;
};

std::optional<long long> ParseNumber(std::string_view text, long long min, long long max) {
    const std::string s(text);
    if (s.empty()) {
        return std::nullopt;
    }
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(s.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || value < min || value > max) {
        return std::nullopt;
    }
    return value;
}

std::optional<sim::Scope> ParseScope(std::string_view text) {
    if (text == "all")
        return sim::Scope::Every;
    if (text == "config")
        return sim::Scope::ConfigurationRead;
    if (text == "position")
        return sim::Scope::PositionRead;
    if (text == "status")
        return sim::Scope::StatusRead;
    if (text == "version")
        return sim::Scope::VersionRead;
    if (text == "write")
        return sim::Scope::Write;
    return std::nullopt;
}

[[noreturn]] void Fail(std::string_view message) {
    std::fprintf(stderr, "transmitter-sim: %.*s\n%s", static_cast<int>(message.size()),
                 message.data(), kUsage);
    std::exit(2);
}

struct Settings {
    sim::Faults faults;
    std::uint32_t speed = 0;
    std::vector<std::pair<std::size_t, std::uint16_t>> registers;
    bool log = false;
    std::uint32_t quitAfter = 0;  // 0: serve until a signal
    std::string replay;           // the trace to serve instead of the simulated device
    std::optional<rtu::NetworkAddress> listen;  // a TCP port to serve instead of a pty
    std::string_view deviceOption;              // the first option that shapes the simulated device
};

Settings ParseArguments(int argc, char** argv) {
    Settings settings;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (!arg.starts_with("--")) {
            Fail(std::string("unexpected argument ") + std::string(arg));
        }
        Option option{arg, std::nullopt};
        if (const auto eq = arg.find('='); eq != std::string_view::npos) {
            option = {arg.substr(0, eq), arg.substr(eq + 1)};
        }
        // Options that need a value also take it from the next argument.
        const auto required = [&]() -> std::string_view {
            if (option.value) {
                return *option.value;
            }
            if (i + 1 >= argc) {
                Fail(std::string(option.name) + " needs a value");
            }
            return argv[++i];
        };
        const auto milliseconds = [&]() -> std::int64_t {
            const auto ms = ParseNumber(required(), 0, 3'600'000);
            if (!ms) {
                Fail(std::string(option.name) + ": not a number of milliseconds");
            }
            return *ms * 1000;
        };

        if (option.name != "--log" && option.name != "--replay" && option.name != "--quit-after" &&
            option.name != "--listen" && settings.deviceOption.empty()) {
            settings.deviceOption = option.name;
        }
        if (option.name == "--help") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        } else if (option.name == "--version") {
            std::printf("transmitter-sim %.*s\n", static_cast<int>(product::kVersion.size()),
                        product::kVersion.data());
            std::exit(0);
        } else if (option.name == "--speed") {
            const auto speed = ParseNumber(required(), 0, 100'000'000);
            if (!speed) {
                Fail("--speed: not a number of counts per second");
            }
            settings.speed = static_cast<std::uint32_t>(*speed);
        } else if (option.name == "--set") {
            const std::string_view assignment = required();
            const auto eq = assignment.find('=');
            const auto reg = ParseNumber(assignment.substr(0, eq), 0, sim::kRegisterCount - 1);
            const auto value = eq == std::string_view::npos
                                   ? std::nullopt
                                   : ParseNumber(assignment.substr(eq + 1), 0, 0xFFFF);
            if (!reg || !value) {
                Fail("--set: expected REG=VALUE, REG 0..27, VALUE 0..65535");
            }
            settings.registers.emplace_back(*reg, *value);
        } else if (option.name == "--delay-ms") {
            settings.faults.responseDelayUs = milliseconds();
        } else if (option.name == "--silent") {
            const auto scope = ParseScope(option.value.value_or("all"));
            if (!scope) {
                Fail("--silent: unknown kind of request");
            }
            settings.faults.silentFor = *scope;
        } else if (option.name == "--exception") {
            const std::string_view kindAndCode = required();
            const auto colon = kindAndCode.find(':');
            const auto scope = ParseScope(kindAndCode.substr(0, colon));
            const auto code = colon == std::string_view::npos
                                  ? std::optional<long long>(4)
                                  : ParseNumber(kindAndCode.substr(colon + 1), 1, 255);
            if (!scope || !code) {
                Fail("--exception: expected KIND[:CODE], CODE 1..255");
            }
            settings.faults.exceptionFor = *scope;
            settings.faults.exceptionCode = static_cast<std::uint8_t>(*code);
        } else if (option.name == "--corrupt-every") {
            const auto n = ParseNumber(required(), 1, 1'000'000);
            if (!n) {
                Fail("--corrupt-every: expected a count of 1 or more");
            }
            settings.faults.corruptEvery = static_cast<std::uint32_t>(*n);
        } else if (option.name == "--split-gap-ms") {
            settings.faults.split = true;
            settings.faults.splitGapUs = milliseconds();
        } else if (option.name == "--glue") {
            settings.faults.glue = true;
        } else if (option.name == "--noise") {
            const auto n = option.value ? ParseNumber(*option.value, 1, sim::kMaxNoiseBytes)
                                        : std::optional<long long>(8);
            if (!n) {
                Fail("--noise: expected 1..64 bytes");
            }
            settings.faults.noiseBytes = static_cast<std::size_t>(*n);
        } else if (option.name == "--echo") {
            settings.faults.echo = true;
        } else if (option.name == "--quit-after") {
            const auto n = ParseNumber(required(), 1, 1'000'000);
            if (!n) {
                Fail("--quit-after: expected a count of 1 or more");
            }
            settings.quitAfter = static_cast<std::uint32_t>(*n);
        } else if (option.name == "--listen") {
            settings.listen = rtu::ParseNetworkAddress(required(), /*lowestPort=*/0);
            if (!settings.listen) {
                Fail("--listen: expected tcp://HOST:PORT or rfc2217://HOST:PORT");
            }
        } else if (option.name == "--log") {
            settings.log = true;
        } else if (option.name == "--replay") {
            settings.replay = required();
            if (settings.replay.empty()) {
                Fail("--replay needs a trace file");
            }
        } else {
            Fail(std::string("unknown option ") + std::string(option.name));
        }
    }
    if (!settings.replay.empty() && !settings.deviceOption.empty()) {
        Fail("--replay serves the recorded device as it was: " +
             std::string(settings.deviceOption) + " does not go with it");
    }
    return settings;
}

// The recorded device, or the reason it cannot be had; exit status 2 then.
std::unique_ptr<sim::ReplayDevice> LoadReplay(const std::string& path) {
    const auto refuse = [&](const std::string& why) {
        std::fprintf(stderr, "transmitter-sim: %s: %s\n", path.c_str(), why.c_str());
        std::exit(2);
    };
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored)) {
        refuse("it is a directory");
    }
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        refuse(errno != 0 ? std::strerror(errno) : "cannot be opened");
    }
    std::string text;
    std::array<char, 4096> chunk{};
    for (std::size_t n = 0; (n = std::fread(chunk.data(), 1, chunk.size(), file)) > 0;) {
        text.append(chunk.data(), n);
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        refuse("cannot be read");
    }
    std::string error;
    auto script = sim::ReplayScript::Parse(text, error);
    if (!script) {
        refuse(error);
    }
    std::fprintf(stderr, "transmitter-sim: replaying %s: %zu different requests, %zu answers\n",
                 path.c_str(), script->RequestCount(), script->AnswerCount());
    return std::make_unique<sim::ReplayDevice>(std::move(*script));
}

}  // namespace

int main(int argc, char** argv) {
    const Settings settings = ParseArguments(argc, argv);

    // The serving thread inherits this mask, so the signals reach sigwait below only.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    posix::LineServer server;
    if (!settings.replay.empty()) {
        server.SetPeer(LoadReplay(settings.replay));
    }
    std::uint32_t answered = 0;
    std::atomic<bool> lastAnswered = false;
    if (settings.log || settings.quitAfter > 0) {
        server.SetLog([&settings, &answered, &lastAnswered](std::string_view line) {
            if (settings.log) {
                std::fwrite(line.data(), 1, line.size(), stdout);
                std::fputc('\n', stdout);
                std::fflush(stdout);
            }
            if (settings.quitAfter > 0 && line.find(" tx ") != std::string_view::npos &&
                ++answered == settings.quitAfter) {
                lastAnswered = true;
            }
        });
    }
    server.Update([&](sim::Transmitter& device) {
        device.SetSpeed(settings.speed);
        for (const auto& [reg, value] : settings.registers) {
            device.SetRegister(reg, value);
        }
        device.SetFaults(settings.faults);
    });
    try {
        if (settings.listen) {
            server.Listen(*settings.listen);
        } else {
            server.Start();
        }
    } catch (const std::system_error& e) {
        std::fprintf(stderr, "transmitter-sim: %s: %s\n",
                     settings.listen ? "cannot listen" : "no pseudo-terminal", e.what());
        return 1;
    }
    std::printf("%s\n", server.Path().c_str());
    std::fflush(stdout);

    if (settings.quitAfter == 0) {
        int signal = 0;
        sigwait(&stopSignals, &signal);
    } else {
        // The last reply is left 100 ms to be read: a pty's master that closes takes with it
        // what the other side has not read yet.
        const timespec poll{0, 20'000'000};
        while (!lastAnswered && sigtimedwait(&stopSignals, nullptr, &poll) < 0) {
        }
        const timespec grace{0, 100'000'000};
        sigtimedwait(&stopSignals, nullptr, &grace);
    }
    server.Stop();
    return 0;
}
