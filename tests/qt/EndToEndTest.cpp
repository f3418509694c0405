// The whole program as the operator uses it, in real time (see RealWindowTest.h); only the load
// timeout is measured against the clock.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "RealWindowTest.h"
#include "Ser2net.h"
#include "link/NetworkAddress.h"
#include "sim/Faults.h"
#include "sim/Transmitter.h"

namespace {

using enum ui::Widget;

// How long a test keeps watching for a message that must not be repeated.
constexpr int kQuietSpanMs = 1000;

std::optional<std::int64_t> NumberIn(const std::string& text) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

class EndToEnd : public RealWindowTest {
protected:
    // Replaces the text of a text box or of a list's edit field by typing.
    void Type(ui::Widget field, const QString& text) {
        QLineEdit* edit = EditOf(field);
        ASSERT_NE(edit, nullptr) << ui::NameOf(field);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
        ASSERT_EQ(edit->text(), text);
    }

    // The number in Text10; -1 when it holds anything else.
    std::int64_t ShownPosition() { return NumberIn(Window().Text(Text10)).value_or(-1); }

    std::uint32_t DevicePosition() {
        std::uint32_t position = 0;
        device_.Update([&](sim::Transmitter& t) { position = t.Position(); });
        return position;
    }
};

// Opening fills the window from the device (values that differ from the window's defaults),
// shows the status and the firmware version, enables the commands, and then the live position
// keeps following the turning shaft.
TEST_F(EndToEnd, OpeningLoadsTheDeviceAndFollowsTheTurningShaft) {
    device_.Update([](sim::Transmitter& t) {
        t.SetRegister(sim::reg::kBaudRate, 3);              // 38400
        t.SetRegister(sim::reg::kResolutionPerTurn, 2000);  // Text4
        t.SetRegister(sim::reg::kCycleValue, 0x0001);       // Text2, high half
        t.SetRegister(sim::reg::kCycleValue + 1, 0x2345);   // Text2, low half: 74565
        t.SetPosition(100000);
        t.SetSpeed(1000);
    });

    QElapsedTimer sinceClick;
    sinceClick.start();
    ASSERT_NO_FATAL_FAILURE(OpenAndLoad());
    // The load takes three polling periods and four replies, about 0.7 s.
    const qint64 loadMs = sinceClick.elapsed();
    RecordProperty("load_ms", static_cast<int>(loadMs));
    EXPECT_LE(loadMs, 3000);

    EXPECT_EQ(Window().Text(Label19), "Pass");
    EXPECT_EQ(Window().Text(Label18), "配置参数读取成功");
    EXPECT_EQ(Window().Text(Text4), "2000");
    EXPECT_EQ(Window().Text(Text2), "74565");
    EXPECT_EQ(Window().SelectedIndex(Combo2), 3);
    EXPECT_EQ(Window().Text(Combo2), "38400");
    EXPECT_EQ(Window().Text(Command1), "关闭串口");
    EXPECT_FALSE(Window().IsEnabled(Combo1));
    for (ui::Widget w : {Command2, Command3, Command4}) {
        EXPECT_TRUE(Window().IsEnabled(w)) << ui::NameOf(w);
    }

    // The shaft turns at 1000 counts a second and the position is polled every 200 ms: Text10
    // rises several times in a row, never ahead of the device and never far behind it.
    std::int64_t previous = ShownPosition();
    EXPECT_GE(previous, 100000);
    for (int rise = 0; rise < 3; ++rise) {
        ASSERT_TRUE(WaitFor([&] { return ShownPosition() > previous; }, kReactionDeadlineMs))
            << "Text10 stays at " << previous << " after rise " << rise;
        const std::int64_t shown = ShownPosition();
        const std::int64_t device = DevicePosition();
        EXPECT_LE(shown, device);
        EXPECT_GE(shown, device - 2000) << "more than two seconds behind the device";
        previous = shown;
    }
    EXPECT_TRUE(messages_.shown.empty()) << messages_.Texts();
}

// The operator edits the resolution and saves: the device stores it, the other registers keep
// the values that were loaded (the window writes back what it read), and polling goes on.
TEST_F(EndToEnd, SaveWritesTheEditedConfigurationToTheDevice) {
    ASSERT_NO_FATAL_FAILURE(OpenAndLoad());
    std::array<std::uint16_t, sim::reg::kPresetPosition> before{};
    for (std::size_t r = 0; r < before.size(); ++r) {
        before[r] = device_.Register(r);
    }
    ASSERT_NE(before[sim::reg::kResolutionPerTurn], 1024);

    ASSERT_NO_FATAL_FAILURE(Type(Text4, QStringLiteral("1024")));
    Click(Command3);
    EXPECT_TRUE(WaitFor(
        [&] {
            return device_.Register(sim::reg::kResolutionPerTurn) == 1024 &&
                   Window().Text(Label18) == "保存配置参数成功";
        },
        kReactionDeadlineMs))
        << "register 7: " << device_.Register(sim::reg::kResolutionPerTurn)
        << ", status line: " << Window().Text(Label18);
    for (std::size_t r = 0; r < before.size(); ++r) {
        if (r != sim::reg::kResolutionPerTurn) {
            EXPECT_EQ(device_.Register(r), before[r]) << "register " << r;
        }
    }

    // After the save the scheduler is back to polling the position.
    device_.Update([](sim::Transmitter& t) { t.SetPosition(777); });
    EXPECT_TRUE(WaitFor([&] { return Window().Text(Text10) == "777"; }, kReactionDeadlineMs))
        << "Text10: " << Window().Text(Text10);
    EXPECT_TRUE(messages_.shown.empty()) << messages_.Texts();
}

// The gear list is never shown, yet it carries the device's value through a load and a save.
TEST_F(EndToEnd, HiddenGearListCarriesItsValueThroughLoadAndSave) {
    device_.SetRegister(sim::reg::kGearSelection, 1);
    ASSERT_NO_FATAL_FAILURE(OpenAndLoad());
    EXPECT_FALSE(Window().QtWidget(Combo7)->isVisible());
    EXPECT_EQ(Window().SelectedIndex(Combo7), 1);
    EXPECT_EQ(Window().Text(Combo7), "7组");

    // Something else changes the device's gear; a save writes back what the window holds.
    device_.SetRegister(sim::reg::kGearSelection, 0);
    Click(Command3);
    EXPECT_TRUE(WaitFor(
        [&] {
            return device_.Register(sim::reg::kGearSelection) == 1 &&
                   Window().Text(Label18) == "保存配置参数成功";
        },
        kReactionDeadlineMs))
        << "register 8: " << device_.Register(sim::reg::kGearSelection);
    EXPECT_TRUE(messages_.shown.empty()) << messages_.Texts();
}

// The operator types a position and presets it: the device's live position jumps there, and the
// window shows it on the next poll. The shaft stands still, so the values compare exactly.
TEST_F(EndToEnd, SetPositionMovesTheLivePosition) {
    device_.Update([](sim::Transmitter& t) {
        t.SetSpeed(0);
        t.SetPosition(5000);
    });
    ASSERT_NO_FATAL_FAILURE(OpenAndLoad());
    ASSERT_TRUE(WaitFor([&] { return Window().Text(Text10) == "5000"; }, kReactionDeadlineMs))
        << "Text10: " << Window().Text(Text10);

    ASSERT_NO_FATAL_FAILURE(Type(Text9, QStringLiteral("123456")));
    Click(Command4);
    EXPECT_TRUE(WaitFor([&] { return DevicePosition() == 123456; }, kReactionDeadlineMs))
        << "device position: " << DevicePosition();
    EXPECT_TRUE(WaitFor([&] { return Window().Text(Text10) == "123456"; }, kReactionDeadlineMs))
        << "Text10: " << Window().Text(Text10);
    EXPECT_EQ(Window().Text(Label18), "保存配置参数成功");
    EXPECT_EQ(device_.Register(sim::reg::kPresetPosition), 123456 >> 16);
    EXPECT_EQ(device_.Register(sim::reg::kPresetPosition + 1), 123456 & 0xFFFF);
    EXPECT_TRUE(messages_.shown.empty()) << messages_.Texts();
}

// The device end of the line goes away while the port is open: the operator is told once, the
// window is back in its closed state, and it opens the next device as before.
TEST_F(EndToEnd, ADeviceThatGoesAwayIsReportedOnceAndTheWindowStaysUsable) {
    ASSERT_NO_FATAL_FAILURE(OpenAndLoad());

    device_.Stop();
    ASSERT_TRUE(WaitFor([&] { return !messages_.shown.empty(); }, kReactionDeadlineMs))
        << "status line: " << Window().Text(Label18);
    QTest::qWait(kQuietSpanMs);
    ASSERT_EQ(messages_.shown.size(), 1u) << messages_.Texts();
    EXPECT_EQ(messages_.shown.front().text, "串口错误\n串口设备已断开（适配器被拔出或设备掉线）");
    ExpectClosedWindow();

    // A new device on a new pseudo-terminal: typed into the port chooser and opened.
    device_.Start();
    ASSERT_NO_FATAL_FAILURE(Type(Combo1, QString::fromStdString(device_.Path())));
    ASSERT_NO_FATAL_FAILURE(OpenAndLoad());
    EXPECT_EQ(Window().Text(Label19), "Pass");
    EXPECT_EQ(Window().Text(Label18), "配置参数读取成功");
    EXPECT_TRUE(Window().IsEnabled(Command3));
    EXPECT_EQ(messages_.shown.size(), 1u) << messages_.Texts();
}

// A device that never answers: the load-failure message comes once, five seconds after the
// open, and then the port is closed. Takes real time.
TEST_F(EndToEnd, ASilentDeviceFailsTheLoadAfterFiveSeconds) {
    device_.SetFaults(sim::Faults{.silentFor = sim::Scope::Every});

    messages_.RestartClock();
    Click(Command1);
    EXPECT_EQ(Window().Text(Label18), "正在加载配置参数");
    ASSERT_TRUE(WaitFor([&] { return !messages_.shown.empty(); }, 10000))
        << "status line: " << Window().Text(Label18);
    const MessageWatch::Shown first = messages_.shown.front();
    RecordProperty("load_failure_ms", static_cast<int>(first.atMs));
    EXPECT_EQ(first.text, "配置参数加载失败，请检查设备后重试");
    EXPECT_GE(first.atMs, 4900);
    EXPECT_LE(first.atMs, 6000);

    ASSERT_TRUE(
        WaitFor([&] { return Window().Text(Command1) == "打开串口"; }, kReactionDeadlineMs));
    QTest::qWait(kQuietSpanMs);
    EXPECT_EQ(messages_.shown.size(), 1u) << messages_.Texts();
    ExpectClosedWindow();
    EXPECT_EQ(Window().Text(Label19), "Fail");
    EXPECT_EQ(Window().Text(Label20), "");
}

// Demo mode as the operator starts it: the built-in device is offered first, loads on the first
// click, and its shaft turns, so the live position moves on its own.
TEST(EndToEndDemo, TheBuiltInDeviceLoadsAndItsPositionMoves) {
    MessageWatch messages;
    app::CommandLine line;
    line.demo = true;
    qtwidgets::Application application(line);
    qtwidgets::Form1Window& window = application.Window();
    application.Start();

    QTest::mouseClick(qobject_cast<QPushButton*>(window.QtWidget(Command1)), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return application.Logic().VersionPending() == 0 && window.IsEnabled(Command3); },
        kLoadDeadlineMs))
        << "status line: " << window.Text(Label18) << ", messages: " << messages.Texts();
    EXPECT_EQ(window.Text(Label19), "Pass");
    const std::string first = window.Text(Text10);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.Text(Text10) != first; }, kReactionDeadlineMs))
        << "Text10 stays at " << first;
    EXPECT_TRUE(messages.shown.empty()) << messages.Texts();
}

// The live position is asked for every 200 ms, measured on the wire: the simulated device stamps
// each request it hears. The median gap is taken, since the one version read after the load
// takes a tick of its own.
TEST(EndToEndPolling, TheLivePositionIsAskedForEvery200Ms) {
    std::mutex mutex;
    std::vector<double> heard;  // seconds on the device's clock
    posix::LineServer device;
    device.SetLog([&](std::string_view line) {
        // The position request: registers 21 and 22.
        if (line.find(" rx 00 03 00 15 00 02 ") != std::string_view::npos) {
            const std::lock_guard lock(mutex);
            heard.push_back(std::stod(std::string(line.substr(0, line.find(' ')))));
        }
    });
    device.Start();
    MessageWatch messages;
    app::CommandLine line;
    line.port = device.Path();
    qtwidgets::Application application(line);
    application.Start();
    QTest::mouseClick(qobject_cast<QPushButton*>(application.Window().QtWidget(Command1)),
                      Qt::LeftButton);

    // The event loop runs as in the program, blocked in the system until the next event:
    // QTest::qWaitFor would sleep between its rounds and hold the ticks up.
    constexpr std::size_t kRequests = 12;
    const auto enough = [&] {
        const std::lock_guard lock(mutex);
        return heard.size() >= kRequests;
    };
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (enough()) {
            loop.quit();
        }
    });
    check.start(100);
    QTimer::singleShot(kLoadDeadlineMs + 200 * static_cast<int>(kRequests), &loop,
                       &QEventLoop::quit);
    loop.exec();
    ASSERT_TRUE(enough()) << "messages: " << messages.Texts();
    std::vector<double> gapsMs;
    {
        const std::lock_guard lock(mutex);
        for (std::size_t i = 1; i < kRequests; ++i) {
            gapsMs.push_back((heard[i] - heard[i - 1]) * 1000);
        }
    }
    std::nth_element(gapsMs.begin(), gapsMs.begin() + gapsMs.size() / 2, gapsMs.end());
    const double median = gapsMs[gapsMs.size() / 2];
    RecordProperty("median_gap_us", static_cast<int>(median * 1000));
    EXPECT_NEAR(median, 200.0, 5.0);
}

// The ways to reach a device through an Ethernet serial server: ser2net in front of its
// pseudo-terminal, and the simulator's own TCP port, each raw and with RFC 2217.
enum class Route { Ser2netRaw, Ser2netRfc2217, ListenRaw, ListenRfc2217 };

class EndToEndNetwork : public EndToEnd, public ::testing::WithParamInterface<Route> {
protected:
    std::string Serve() override {
        switch (GetParam()) {
            case Route::ListenRaw:
                device_.Listen(*rtu::ParseNetworkAddress("tcp://127.0.0.1:0", 0));
                return device_.Path();
            case Route::ListenRfc2217:
                device_.Listen(*rtu::ParseNetworkAddress("rfc2217://127.0.0.1:0", 0));
                return device_.Path();
            default:
                break;
        }
        device_.Start();
        ser2net_ = std::make_unique<Ser2net>(device_.Path(), device_.Path());
        EXPECT_TRUE(ser2net_->Running()) << Ser2net::kProgram << " is missing";
        return GetParam() == Route::Ser2netRaw ? ser2net_->Raw() : ser2net_->Rfc2217();
    }
    void TearDown() override {
        EndToEnd::TearDown();
        ser2net_.reset();
    }

    std::unique_ptr<Ser2net> ser2net_;
};

// A load, a save and a preset through the server, as through a serial port.
TEST_P(EndToEndNetwork, LoadsSavesAndPresetsAsOnASerialPort) {
    device_.Update([](sim::Transmitter& t) { t.SetSpeed(0); });
    ASSERT_NO_FATAL_FAILURE(OpenAndLoad());
    EXPECT_EQ(Window().Text(Label19), "Pass");
    ASSERT_NO_FATAL_FAILURE(Type(Text4, QStringLiteral("1024")));
    Click(Command3);
    EXPECT_TRUE(WaitFor([&] { return device_.Register(sim::reg::kResolutionPerTurn) == 1024; },
                        kReactionDeadlineMs));
    ASSERT_NO_FATAL_FAILURE(Type(Text9, QStringLiteral("123456")));
    Click(Command4);
    EXPECT_TRUE(WaitFor([&] { return Window().Text(Text10) == "123456"; }, kReactionDeadlineMs))
        << "Text10: " << Window().Text(Text10);
    EXPECT_TRUE(messages_.shown.empty()) << messages_.Texts();
}

// The server goes away while the position is polled: the operator is told once, in the words of
// a lost connection, the window is back in its closed state, and another connection opens.
TEST_P(EndToEndNetwork, AServerThatGoesAwayIsReportedOnce) {
    ASSERT_NO_FATAL_FAILURE(OpenAndLoad());
    if (ser2net_) {
        ser2net_->Stop();
    } else {
        device_.Stop();
    }
    ASSERT_TRUE(WaitFor([&] { return !messages_.shown.empty(); }, kReactionDeadlineMs))
        << "status line: " << Window().Text(Label18);
    QTest::qWait(kQuietSpanMs);
    ASSERT_EQ(messages_.shown.size(), 1u) << messages_.Texts();
    EXPECT_EQ(messages_.shown.front().text, "串口错误\n与串口服务器的网络连接已断开");
    ExpectClosedWindow();

    // Another server, typed into the port chooser, opens as the first did.
    posix::LineServer next;
    next.Listen(*rtu::ParseNetworkAddress("tcp://127.0.0.1:0", 0));
    ASSERT_NO_FATAL_FAILURE(Type(Combo1, QString::fromStdString(next.Path())));
    ASSERT_NO_FATAL_FAILURE(OpenAndLoad());
    Click(Command1);
}

std::string RouteName(const ::testing::TestParamInfo<Route>& route) {
    constexpr std::array<const char*, 4> kNames{"Ser2netRaw", "Ser2netRfc2217", "ListenRaw",
                                                "ListenRfc2217"};
    return kNames[static_cast<std::size_t>(route.param)];
}

INSTANTIATE_TEST_SUITE_P(Routes, EndToEndNetwork,
                         ::testing::Values(Route::Ser2netRaw, Route::Ser2netRfc2217,
                                           Route::ListenRaw, Route::ListenRfc2217),
                         RouteName);

// An address nobody listens on fails the open at once with the cause under "串口错误", and the
// port stays closed, ready for another try.
TEST_F(EndToEnd, ARefusedConnectionFailsTheOpenWithItsCause) {
    std::string refused;
    {
        posix::LineServer gone;
        gone.Listen(*rtu::ParseNetworkAddress("tcp://127.0.0.1:0", 0));
        refused = gone.Path();
    }
    ASSERT_NO_FATAL_FAILURE(Type(Combo1, QString::fromStdString(refused)));
    Click(Command1);
    ASSERT_TRUE(WaitFor([&] { return !messages_.shown.empty(); }, kReactionDeadlineMs));
    EXPECT_EQ(messages_.shown.front().text,
              "串口错误\n串口服务器拒绝连接（端口未开放，或已有其他客户端）");
    EXPECT_EQ(Window().Text(Command1), "打开串口");
    EXPECT_TRUE(Window().IsEnabled(Combo1));
    EXPECT_EQ(application_->Logic().PollState(), 0);
}

}  // namespace
