#include "qtwidgets/Application.h"

#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <poll.h>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <string>
#include <vector>

#include "MessageWatch.h"
#include "qt/TerminationSignals.h"

namespace {

using enum ui::Widget;

// A port given on the command line is offered first and selected, after the window's load and
// before the window is shown.
TEST(Application, OffersTheGivenPortFirstAndOpensItOnCommand1) {
    int master = -1;
    int slave = -1;
    char path[256] = {};
    ASSERT_EQ(::openpty(&master, &slave, path, nullptr, nullptr), 0);
    ::close(slave);

    MessageWatch messages;
    app::CommandLine line;
    line.port = path;
    qtwidgets::Application application(line);
    qtwidgets::Form1Window& window = application.Window();
    application.Start();

    EXPECT_TRUE(window.isVisible());
    ASSERT_FALSE(window.Items(Combo1).empty());
    EXPECT_EQ(window.Items(Combo1).front(), path);
    EXPECT_EQ(window.SelectedIndex(Combo1), 0);
    EXPECT_EQ(window.Text(Combo1), path);
    for (ui::Widget w : {Command2, Command3, Command4, Command5}) {
        EXPECT_FALSE(window.IsEnabled(w)) << ui::NameOf(w);
    }

    QTest::mouseClick(static_cast<QPushButton*>(window.QtWidget(Command1)), Qt::LeftButton);
    EXPECT_EQ(window.Text(Command1), "关闭串口");
    EXPECT_FALSE(window.IsEnabled(Combo1));

    QTest::mouseClick(static_cast<QPushButton*>(window.QtWidget(Command1)), Qt::LeftButton);
    EXPECT_EQ(window.Text(Command1), "打开串口");
    EXPECT_TRUE(messages.shown.empty()) << messages.Texts();
    ::close(master);
}

// The whole load through the real timers and the in-process simulated transmitter: configuration,
// status and version replies from the simulated transmitter reach the window.
TEST(Application, DemoModeLoadsTheSimulatedTransmitter) {
    MessageWatch messages;
    app::CommandLine line;
    line.demo = true;
    qtwidgets::Application application(line);
    qtwidgets::Form1Window& window = application.Window();
    application.Start();
    // The built-in device goes by a short name that fits Combo1; the tooltip says what it is.
    ASSERT_EQ(window.Text(Combo1), "SIM1");
    const auto* combo = static_cast<QComboBox*>(window.QtWidget(Combo1));
    EXPECT_EQ(combo->itemData(0, Qt::ToolTipRole).toString().toStdString(),
              "内置模拟变送器（演示）");

    QTest::mouseClick(static_cast<QPushButton*>(window.QtWidget(Command1)), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.Text(Label20).rfind("Ver", 0) == 0; }, 5000))
        << "status line: " << window.Text(Label18);
    EXPECT_TRUE(window.IsEnabled(Command2));
    EXPECT_TRUE(window.IsEnabled(Command3));
    EXPECT_TRUE(window.IsEnabled(Command4));
    EXPECT_GE(window.SelectedIndex(Combo2), 0);
    EXPECT_TRUE(messages.shown.empty()) << messages.Texts();
}

// Opening Combo1's drop-down probes the ports again; the demo port stays first and what the
// operator typed stays in the text portion.
TEST(Application, DropDownKeepsTheDemoPortFirstAndTheTypedText) {
    app::CommandLine line;
    line.demo = true;
    qtwidgets::Application application(line);
    qtwidgets::Form1Window& window = application.Window();
    application.Start();
    auto* combo = static_cast<QComboBox*>(window.QtWidget(Combo1));

    combo->lineEdit()->setText(QStringLiteral("/dev/ttyUSB7"));
    combo->showPopup();
    EXPECT_EQ(window.Items(Combo1).front(), "SIM1");
    EXPECT_EQ(window.Text(Combo1), "/dev/ttyUSB7");
    EXPECT_EQ(window.SelectedIndex(Combo1), -1);
    combo->hidePopup();

    ASSERT_TRUE(window.SetSelectedIndex(Combo1, 0));
    combo->showPopup();
    EXPECT_EQ(window.SelectedIndex(Combo1), 0);
    EXPECT_EQ(window.Text(Combo1), "SIM1");
    combo->hidePopup();
}

// The end of the session (SIGTERM, SIGHUP) or Ctrl+C (SIGINT) leaves the event loop instead of
// ending the process; leaving it with the port open closes the port and ends the trace.
TEST(Application, ASignalLeavesTheEventLoopAndThePortIsClosedInOrder) {
    int master = -1;
    int slave = -1;
    char path[256] = {};
    ASSERT_EQ(::openpty(&master, &slave, path, nullptr, nullptr), 0);
    ::close(slave);
    struct Recorder : rtu::TrafficTrace {
        std::vector<std::string> events;
        void Tx(std::span<const std::uint8_t>) override {}
        void Rx(std::span<const std::uint8_t>, rtu::RxVerdict) override {}
        void Open(std::string_view port) override {
            events.emplace_back("open " + std::string(port));
        }
        void Close() override { events.emplace_back("close"); }
        void Error(std::string_view text) override { events.emplace_back(text); }
    } trace;

    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
        trace.events.clear();
        app::CommandLine line;
        line.port = path;
        auto application = std::make_unique<qtwidgets::Application>(line, &trace);
        application->Start();
        qtwidgets::Form1Window& window = application->Window();
        QTest::mouseClick(static_cast<QPushButton*>(window.QtWidget(Command1)), Qt::LeftButton);
        ASSERT_EQ(window.Text(Command1), "关闭串口");

        QEventLoop loop;
        int received = 0;
        const qt::TerminationSignals quit([&](int number) {
            received = number;
            loop.quit();
        });
        QTimer::singleShot(0, [signal] { std::raise(signal); });
        QTimer::singleShot(3000, &loop, &QEventLoop::quit);
        loop.exec();
        EXPECT_EQ(received, signal);
        application.reset();
        EXPECT_EQ(trace.events, (std::vector<std::string>{"open " + std::string(path), "close"}))
            << "signal " << signal;
    }
    // The pseudo-terminal's other end hears the hang-up: nothing holds the port any more.
    pollfd other{master, POLLIN, 0};
    ASSERT_EQ(::poll(&other, 1, 0), 1);
    EXPECT_NE(other.revents & POLLHUP, 0);
    ::close(master);
}

}  // namespace
