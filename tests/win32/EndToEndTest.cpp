// transmitter-config.exe as an operator drives it, from another process, through window
// messages: the window found by its title, texts read with WM_GETTEXT, clicks posted as
// BM_CLICK, typing as WM_SETTEXT with the control's change notification, the message box read
// and dismissed. scripts/windows.sh maps COM10 to a simulated transmitter that logs what it hears
// (TRANSMITTER_TEST_SIM_LOG, its log file as a Windows path) and COM9 to one that never answers.

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "link/Crc16.h"
#include "ui/Widget.h"
#include "win32/Utf16.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;
using ui::Widget;

constexpr int kFirstControlId = 100;  // the window's controls go by 100 + their widget's index

std::wstring ProgramPath(const wchar_t* program = L"transmitter-config.exe") {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(::GetModuleFileNameW(nullptr, path.data(), MAX_PATH));
    // tests/win32/win32_e2e_tests.exe -> the build's top, where the program is.
    for (int up = 0; up < 3; ++up) {
        path.resize(path.find_last_of(L'\\'));
    }
    return path + L"\\" + program;
}

bool WaitUntil(const std::function<bool()>& done, int ms) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (Clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

std::string TextOf(HWND control) {
    std::wstring text(512, L'\0');
    const auto length =
        ::SendMessageW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return win32::Narrow(text);
}

// Frames the simulated transmitter heard ("rx") or sent ("tx"), with their times in ms.
struct LogLine {
    double ms;
    Bytes frame;
};
std::vector<LogLine> SimLog(const std::string& event,
                            const char* variable = "TRANSMITTER_TEST_SIM_LOG") {
    const char* path = std::getenv(variable);
    std::vector<LogLine> lines;
    if (path == nullptr) {
        return lines;
    }
    std::ifstream log(path);
    std::string line;
    while (std::getline(log, line)) {
        std::istringstream words(line);
        double seconds = 0;
        std::string kind;
        words >> seconds >> kind;
        if (kind != event) {
            continue;
        }
        LogLine entry{seconds * 1000, {}};
        std::string word;
        while (words >> word && word.size() == 2 &&
               word.find_first_not_of("0123456789ABCDEF") == std::string::npos) {
            entry.frame.push_back(static_cast<std::uint8_t>(std::stoi(word, nullptr, 16)));
        }
        lines.push_back(entry);
    }
    return lines;
}

// The last configuration reply the simulated transmitter sent, empty when it sent none.
Bytes LastConfigurationReply(const char* variable = "TRANSMITTER_TEST_SIM_LOG") {
    Bytes configuration;
    for (const LogLine& reply : SimLog("tx", variable)) {
        if (reply.frame.size() == 47 && reply.frame[1] == 0x03) {
            configuration = reply.frame;
        }
    }
    return configuration;
}

// The resolution per turn (register 7) a configuration reply holds.
int ResolutionIn(const Bytes& configuration) {
    return configuration[3 + 2 * 7] << 8 | configuration[3 + 2 * 7 + 1];
}

// A resolution other than the one the device holds, so that a test run again on the same device
// still changes it.
int AnotherResolution(int held) {
    return held == 1024 ? 2048 : 1024;
}

Bytes Sealed(Bytes body) {
    const auto crc =
        static_cast<std::uint16_t>(rtu::Crc16(body, static_cast<std::int16_t>(body.size())));
    body.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    body.push_back(static_cast<std::uint8_t>(crc >> 8));
    return body;
}

const Bytes kReadAll{0x00, 0x03, 0x00, 0x00, 0x00, 0x15, 0x85, 0xD4};
const Bytes kReadPosition{0x00, 0x03, 0x00, 0x15, 0x00, 0x02, 0xD4, 0x1E};

// The requests heard since the first `earlier` ones, in order: the simulated transmitter serves
// every run of a test.
std::vector<LogLine> HeardSince(std::size_t earlier, const char* log = "TRANSMITTER_TEST_SIM_LOG") {
    std::vector<LogLine> heard = SimLog("rx", log);
    heard.erase(heard.begin(),
                heard.begin() + static_cast<std::ptrdiff_t>(std::min(earlier, heard.size())));
    return heard;
}

// The position reads heard since the first `earlier` requests, in order.
std::vector<LogLine> PositionPolls(std::size_t earlier,
                                   const char* log = "TRANSMITTER_TEST_SIM_LOG") {
    std::vector<LogLine> polls;
    for (const LogLine& line : HeardSince(earlier, log)) {
        if (line.frame == kReadPosition) {
            polls.push_back(line);
        }
    }
    return polls;
}

// The program started with `arguments`, its window found; closed and waited for at the end.
class RunningWindow {
public:
    explicit RunningWindow(const std::wstring& arguments) {
        std::wstring line = L"\"" + ProgramPath() + L"\" " + arguments;
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        started_ = ::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                    nullptr, &startup, &process_) != 0;
        const std::wstring title = win32::Widen(ui::DefaultsOf(Widget::Form1).text);
        WaitUntil(
            [&] {
                window_ = ::FindWindowW(nullptr, title.c_str());
                return window_ != nullptr && ::IsWindowVisible(window_);
            },
            20000);
    }
    ~RunningWindow() {
        if (window_ != nullptr) {
            ::PostMessageW(window_, WM_CLOSE, 0, 0);
        }
        if (started_) {
            if (::WaitForSingleObject(process_.hProcess, 10000) != WAIT_OBJECT_0) {
                ::TerminateProcess(process_.hProcess, 1);
            }
            ::CloseHandle(process_.hThread);
            ::CloseHandle(process_.hProcess);
        }
    }
    RunningWindow(const RunningWindow&) = delete;
    RunningWindow& operator=(const RunningWindow&) = delete;

    bool Found() const { return window_ != nullptr; }
    HWND Control(Widget widget) const {
        return ::GetDlgItem(window_, kFirstControlId + static_cast<int>(widget));
    }
    std::string Text(Widget widget) const { return TextOf(Control(widget)); }
    void Click(Widget button) const { ::PostMessageW(Control(button), BM_CLICK, 0, 0); }
    // Typing, as the control tells its window about it.
    void Type(Widget box, const std::string& text) const {
        HWND control = Control(box);
        const std::wstring wide = win32::Widen(text);
        ::SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
        const int id = kFirstControlId + static_cast<int>(box);
        ::SendMessageW(window_, WM_COMMAND, MAKEWPARAM(id, EN_CHANGE),
                       reinterpret_cast<LPARAM>(control));
    }
    bool WaitForText(Widget widget, const std::string& text, int ms) const {
        return WaitUntil([&] { return Text(widget) == text; }, ms);
    }

    // The message box the program shows, when one is up: its title and text.
    struct Box {
        HWND window = nullptr;
        std::string title;
        std::string text;
    };
    Box MessageBox() const {
        Box box;
        const DWORD processId = process_.dwProcessId;
        struct Search {
            DWORD processId;
            HWND found;
        } search{processId, nullptr};
        ::EnumWindows(
            [](HWND candidate, LPARAM data) -> BOOL {
                auto* s = reinterpret_cast<Search*>(data);
                DWORD owner = 0;
                ::GetWindowThreadProcessId(candidate, &owner);
                wchar_t type[16]{};
                ::GetClassNameW(candidate, type, 16);
                if (owner == s->processId && std::wstring(type) == L"#32770" &&
                    ::IsWindowVisible(candidate)) {
                    s->found = candidate;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) {
            box.window = search.found;
            box.title = TextOf(search.found);
            box.text = TextOf(::GetDlgItem(search.found, 0xFFFF));  // the box's static text
        }
        return box;
    }

private:
    PROCESS_INFORMATION process_{};
    bool started_ = false;
    HWND window_ = nullptr;
};

// The load, 读取参数, a save and a preset on `port`, with what went over the wire checked byte for
// byte in the log of the simulated transmitter behind it (the variable `log` names), and the
// polling on its 200 ms grid.
void LoadReadSaveAndPreset(const std::string& port, const char* log) {
    const std::size_t earlier = SimLog("rx", log).size();
    RunningWindow window(L"--port " + win32::Widen(port));
    ASSERT_TRUE(window.Found());
    EXPECT_EQ(window.Text(Widget::Combo1), port);

    window.Click(Widget::Command1);
    ASSERT_TRUE(window.WaitForText(Widget::Label19, "Pass", 5000))
        << "status line: " << window.Text(Widget::Label18);
    EXPECT_EQ(window.Text(Widget::Label18), "配置参数读取成功");
    // The version comes on the tick after the status.
    EXPECT_TRUE(WaitUntil([&] { return window.Text(Widget::Label20).rfind("Ver", 0) == 0; }, 3000))
        << window.Text(Widget::Label20);
    EXPECT_EQ(window.Text(Widget::Command1), "关闭串口");
    ASSERT_EQ(LastConfigurationReply(log).size(), 47U);
    const int held = ResolutionIn(LastConfigurationReply(log));
    EXPECT_EQ(window.Text(Widget::Text4), std::to_string(held));

    // The load begins with the configuration read; then the live position is polled on the
    // 200 ms grid.
    ASSERT_FALSE(HeardSince(earlier, log).empty());
    EXPECT_EQ(HeardSince(earlier, log).front().frame, kReadAll);
    ASSERT_TRUE(WaitUntil([&] { return PositionPolls(earlier, log).size() >= 5; }, 3000));
    const double gridStart = PositionPolls(earlier, log).front().ms;
    for (const LogLine& request : HeardSince(earlier, log)) {
        if (request.ms >= gridStart) {
            const double offset = std::fmod(request.ms - gridStart + 40, 200) - 40;
            EXPECT_NEAR(offset, 0, 40)
                << "a request " << request.ms - gridStart << " ms after the first poll";
        }
    }
    std::vector<LogLine> heard = SimLog("rx", log);

    // 读取参数 reads the configuration again.
    const std::size_t readsBefore = heard.size();
    window.Click(Widget::Command2);
    ASSERT_TRUE(WaitUntil(
        [&] {
            const auto now = SimLog("rx", log);
            for (std::size_t i = readsBefore; i < now.size(); ++i) {
                if (now[i].frame == kReadAll) {
                    return true;
                }
            }
            return false;
        },
        3000));
    // Its reply takes a tick to come and be shown.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));

    // The save writes back what was loaded, with the resolution typed: registers 0-18 of the
    // device's own configuration reply, register 7 changed.
    const Bytes configuration = LastConfigurationReply(log);
    ASSERT_EQ(configuration.size(), 47U);
    const int typed = AnotherResolution(held);
    Bytes save{0x00, 0x10, 0x00, 0x00, 0x00, 0x13, 0x26};
    save.insert(save.end(), configuration.begin() + 3, configuration.begin() + 3 + 38);
    save[7 + 2 * 7] = static_cast<std::uint8_t>(typed >> 8);
    save[7 + 2 * 7 + 1] = static_cast<std::uint8_t>(typed & 0xFF);
    save = Sealed(save);
    window.Type(Widget::Text4, std::to_string(typed));
    window.Click(Widget::Command3);
    ASSERT_TRUE(window.WaitForText(Widget::Label18, "保存配置参数成功", 3000))
        << window.Text(Widget::Label18);
    const auto wasHeard = [&](const Bytes& frame) {
        return WaitUntil(
            [&] {
                const std::vector<LogLine> since = HeardSince(earlier, log);
                return std::any_of(since.begin(), since.end(),
                                   [&](const LogLine& request) { return request.frame == frame; });
            },
            1000);
    };
    EXPECT_TRUE(wasHeard(save)) << "the save frame the window should have sent was not heard";

    // The preset in registers 19-20, and the live position follows: 123456, or 654321 where the
    // device stands at 123456 already from an earlier run.
    const std::uint32_t position = window.Text(Widget::Text10) == "123456" ? 654321 : 123456;
    const Bytes preset =
        Sealed({0x00, 0x10, 0x00, 0x13, 0x00, 0x02, 0x04, static_cast<std::uint8_t>(position >> 24),
                static_cast<std::uint8_t>(position >> 16), static_cast<std::uint8_t>(position >> 8),
                static_cast<std::uint8_t>(position)});
    window.Type(Widget::Text9, std::to_string(position));
    window.Click(Widget::Command4);
    EXPECT_TRUE(window.WaitForText(Widget::Text10, std::to_string(position), 3000))
        << window.Text(Widget::Text10);
    EXPECT_TRUE(wasHeard(preset));
    EXPECT_EQ(window.MessageBox().window, nullptr) << window.MessageBox().text;
}

TEST(WindowEndToEnd, LoadsReadsSavesAndPresetsOnACOMPort) {
    LoadReadSaveAndPreset("COM10", "TRANSMITTER_TEST_SIM_LOG");
}

// The same through ser2net's RFC 2217 port in front of a simulated transmitter: Winsock under
// Wine on the host's sockets.
TEST(WindowEndToEnd, LoadsReadsSavesAndPresetsThroughASerialServer) {
    const char* port = std::getenv("TRANSMITTER_TEST_SER2NET_WINDOW");
    ASSERT_NE(port, nullptr) << "scripts/windows.sh serves it";
    LoadReadSaveAndPreset(port, "TRANSMITTER_TEST_SER2NET_WINDOW_LOG");
}

// A device that never answers: the load-failure message comes once, five seconds after the
// click, titled with the program's name; dismissed, it leaves the port closed.
TEST(WindowEndToEnd, ASilentDeviceFailsTheLoadAfterFiveSeconds) {
    RunningWindow window(L"--port COM9");
    ASSERT_TRUE(window.Found());
    const auto clicked = Clock::now();
    window.Click(Widget::Command1);
    RunningWindow::Box box;
    ASSERT_TRUE(WaitUntil(
        [&] {
            box = window.MessageBox();
            return box.window != nullptr;
        },
        10000));
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - clicked).count();
    EXPECT_GE(ms, 4900);
    EXPECT_LE(ms, 7000);
    EXPECT_EQ(box.text, "配置参数加载失败，请检查设备后重试");
    EXPECT_EQ(box.title, ui::DefaultsOf(Widget::Form1).text);
    ::PostMessageW(::GetDlgItem(box.window, IDOK), BM_CLICK, 0, 0);
    EXPECT_TRUE(window.WaitForText(Widget::Command1, "打开串口", 3000));
    EXPECT_EQ(window.Text(Widget::Label19), "Fail");
    EXPECT_TRUE(WaitUntil([&] { return window.MessageBox().window == nullptr; }, 2000));
}

// transmitter-cli.exe run as a script runs it: its exit status, and what it wrote to standard
// output and error, through pipes.
struct CliRun {
    DWORD status = 0xFFFFFFFF;
    std::string out;
    std::string err;
};

// Moves what the pipe holds now into `into`, without waiting for more.
void TakeWaiting(HANDLE pipe, std::string& into) {
    DWORD waiting = 0;
    while (::PeekNamedPipe(pipe, nullptr, 0, nullptr, &waiting, nullptr) && waiting > 0) {
        char buffer[4096];
        DWORD count = 0;
        if (!::ReadFile(pipe, buffer, std::min<DWORD>(waiting, sizeof(buffer)), &count, nullptr)) {
            return;
        }
        into.append(buffer, count);
    }
}

// Runs transmitter-cli.exe and collects its output until it ends. The pipes are read as they
// fill, never to their end: a Wine service that the program happens to start (the desktop
// process) inherits them and keeps them open long after the program is gone. A program still
// running after 30 s is ended, and the run says so.
CliRun RunCli(const std::wstring& arguments) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE outRead = nullptr;
    HANDLE outWrite = nullptr;
    HANDLE errRead = nullptr;
    HANDLE errWrite = nullptr;
    ::CreatePipe(&outRead, &outWrite, &inherit, 1 << 16);
    ::CreatePipe(&errRead, &errWrite, &inherit, 1 << 16);
    ::SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    std::wstring line = L"\"" + ProgramPath(L"transmitter-cli.exe") + L"\" " + arguments;
    PROCESS_INFORMATION process{};
    CliRun run;
    const bool started = ::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                          nullptr, &startup, &process) != 0;
    ::CloseHandle(outWrite);
    ::CloseHandle(errWrite);
    if (started) {
        const auto end = Clock::now() + std::chrono::seconds(30);
        while (::WaitForSingleObject(process.hProcess, 5) == WAIT_TIMEOUT) {
            TakeWaiting(outRead, run.out);
            TakeWaiting(errRead, run.err);
            if (Clock::now() > end) {
                ::TerminateProcess(process.hProcess, 0xFFFFFFFF);
                ::WaitForSingleObject(process.hProcess, 5000);
                run.err += "\n[the program was still running after 30 s and was ended]\n";
                break;
            }
        }
        TakeWaiting(outRead, run.out);
        TakeWaiting(errRead, run.err);
        ::GetExitCodeProcess(process.hProcess, &run.status);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
    ::CloseHandle(outRead);
    ::CloseHandle(errRead);
    return run;
}

bool Heard(const Bytes& frame, const char* log) {
    for (const LogLine& request : SimLog("rx", log)) {
        if (request.frame == frame) {
            return true;
        }
    }
    return false;
}

// read, save and preset as on Linux, on `port`: the same JSON (UTF-8, so the parity reads
// "无校验"), the same messages and exit statuses, and the save's and preset's frames byte for
// byte on the wire, in the log of the simulated transmitter behind the port (the variable `log`
// names).
void ReadSaveAndPreset(const std::string& port, const char* log) {
    const std::wstring on = L" --port " + win32::Widen(port);
    const CliRun read = RunCli(L"read" + on);
    ASSERT_EQ(read.status, 0U) << read.err;
    EXPECT_NE(read.out.find("\"Parity\": \"无校验\""), std::string::npos) << read.out;
    EXPECT_NE(read.out.find("\"FirmwareVersion\": \"Ver"), std::string::npos) << read.out;
    const Bytes configuration = LastConfigurationReply(log);
    ASSERT_EQ(configuration.size(), 47U);
    const int held = ResolutionIn(configuration);
    EXPECT_NE(read.out.find("\"ResolutionPerTurn\": " + std::to_string(held)), std::string::npos)
        << read.out;

    const int typed = AnotherResolution(held);
    Bytes save{0x00, 0x10, 0x00, 0x00, 0x00, 0x13, 0x26};
    save.insert(save.end(), configuration.begin() + 3, configuration.begin() + 3 + 38);
    save[7 + 2 * 7] = static_cast<std::uint8_t>(typed >> 8);
    save[7 + 2 * 7 + 1] = static_cast<std::uint8_t>(typed & 0xFF);
    const CliRun saved = RunCli(L"save" + on + L" ResolutionPerTurn=" + std::to_wstring(typed));
    EXPECT_EQ(saved.status, 0U) << saved.err;
    EXPECT_EQ(saved.err, "transmitter-cli: configuration written (registers 0-18) and verified\n");
    EXPECT_TRUE(Heard(Sealed(save), log));

    const CliRun preset = RunCli(L"preset" + on + L" 123456");
    EXPECT_EQ(preset.status, 0U) << preset.err;
    EXPECT_EQ(preset.err, "transmitter-cli: preset position 123456 written (registers 19-20)\n");
    EXPECT_TRUE(
        Heard(Sealed({0x00, 0x10, 0x00, 0x13, 0x00, 0x02, 0x04, 0x00, 0x01, 0xE2, 0x40}), log));
}

TEST(CliEndToEnd, ReadsSavesAndPresetsOnACOMPort) {
    ReadSaveAndPreset("COM11", "TRANSMITTER_TEST_CLI_SIM_LOG");
}

// The same through ser2net in front of simulated transmitters, raw and with RFC 2217, and a
// refused connection told as on Linux.
TEST(CliEndToEnd, ReadsSavesAndPresetsThroughSerialServers) {
    for (const char* server :
         {"TRANSMITTER_TEST_SER2NET_RAW", "TRANSMITTER_TEST_SER2NET_RFC2217"}) {
        const char* port = std::getenv(server);
        ASSERT_NE(port, nullptr) << server << ": scripts/windows.sh serves it";
        const std::string log = std::string(server) + "_LOG";
        ReadSaveAndPreset(port, log.c_str());
    }
    const CliRun refused = RunCli(L"read --port tcp://127.0.0.1:1");
    EXPECT_EQ(refused.status, 1U);
    EXPECT_NE(refused.err.find("connection refused"), std::string::npos) << refused.err;
}

// Each program as built carries its icon at the title bar's and the task bar's sizes, and a
// manifest that asks for themed controls and declares the DPI awareness the fixed layout needs.
TEST(ProgramResources, EachProgramCarriesItsIconAndManifest) {
    for (const wchar_t* program : {L"transmitter-config.exe", L"transmitter-cli.exe"}) {
        SCOPED_TRACE(win32::Narrow(program));
        HMODULE image = ::LoadLibraryExW(ProgramPath(program).c_str(), nullptr,
                                         LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(image, nullptr);
        const auto resource = [&](LPCWSTR name, LPCWSTR type) {
            HRSRC found = ::FindResourceW(image, name, type);
            const auto* data =
                found
                    ? static_cast<const std::uint8_t*>(::LockResource(::LoadResource(image, found)))
                    : nullptr;
            return data ? Bytes(data, data + ::SizeofResource(image, found)) : Bytes{};
        };

        // The icon group: a 6-byte header, then 14 bytes an image, the first its width.
        const Bytes group = resource(MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
        std::vector<int> widths;
        for (std::size_t at = 6; at + 14 <= group.size(); at += 14) {
            widths.push_back(group[at]);
        }
        EXPECT_NE(std::find(widths.begin(), widths.end(), 16), widths.end());
        EXPECT_NE(std::find(widths.begin(), widths.end(), 32), widths.end());

        const Bytes manifestBytes = resource(MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
        const std::string manifest(manifestBytes.begin(), manifestBytes.end());
        EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
                  std::string::npos);
        EXPECT_NE(manifest.find("<dpiAware"), std::string::npos);
        EXPECT_NE(manifest.find("asInvoker"), std::string::npos);
        ::FreeLibrary(image);
    }
}

// What a script tells apart by the exit status: a refused command line, a port that is not
// there; and the version.
TEST(CliEndToEnd, ExitStatusesAndTheVersion) {
    const CliRun usage = RunCli(L"read");
    EXPECT_EQ(usage.status, 2U);
    EXPECT_NE(usage.err.find("Usage"), std::string::npos) << usage.err;
    const CliRun missing = RunCli(L"read --port COM199");
    EXPECT_EQ(missing.status, 1U) << missing.err;
    EXPECT_FALSE(missing.err.empty());
    const CliRun version = RunCli(L"--version");
    EXPECT_EQ(version.status, 0U);
    EXPECT_EQ(version.out.rfind("transmitter-cli ", 0), 0U) << version.out;
}

}  // namespace
