#pragma once

// The whole program in real time: the real window, timers and QSerialPort, over a
// pseudo-terminal to the simulated transmitter that the test serves in this process and so can
// steer (turn the shaft, inject faults, pull the device away). Waits poll for a condition with a
// generous deadline, so a loaded machine makes a test slower, not red.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <memory>

#include "MessageWatch.h"
#include "posix/LineServer.h"
#include "qtwidgets/Application.h"

// A device that answers at once is loaded about 0.7 s after the open; a busy machine gets more.
inline constexpr int kLoadDeadlineMs = 5000;
// Anything the window should show within a few polling periods.
inline constexpr int kReactionDeadlineMs = 3000;

class RealWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string port = Serve();
        app::CommandLine line;
        line.port = port;
        application_ = std::make_unique<qtwidgets::Application>(line);
        application_->Start();
        ASSERT_EQ(Window().Text(ui::Widget::Combo1), port);
    }

    // Starts serving the device and returns the port the window opens: its pseudo-terminal.
    virtual std::string Serve() {
        device_.Start();
        return device_.Path();
    }

    void TearDown() override {
        // The program closes its port before the simulator removes the pseudo-terminal.
        application_.reset();
        device_.Stop();
    }

    qtwidgets::Form1Window& Window() { return application_->Window(); }

    // A left click on the button, as the operator gives it: a disabled button ignores it.
    void Click(ui::Widget button) {
        auto* widget = qobject_cast<QPushButton*>(Window().QtWidget(button));
        ASSERT_NE(widget, nullptr) << ui::NameOf(button);
        ASSERT_TRUE(widget->isEnabled()) << ui::NameOf(button) << " is disabled";
        QTest::mouseClick(widget, Qt::LeftButton);
    }

    // The edit field of a text box, or of a list that takes typing.
    QLineEdit* EditOf(ui::Widget field) {
        QWidget* widget = Window().QtWidget(field);
        if (auto* list = qobject_cast<QComboBox*>(widget)) {
            return list->lineEdit();
        }
        return qobject_cast<QLineEdit*>(widget);
    }

    bool WaitFor(const std::function<bool()>& condition, int deadlineMs) {
        return QTest::qWaitFor(condition, deadlineMs);
    }

    // Opens the port and waits until this connection's load sequence has ended with the
    // version read: opening disables the commands and marks the version unread, so a window left
    // over from an earlier connection does not pass.
    void OpenAndLoad() {
        Click(ui::Widget::Command1);
        ASSERT_TRUE(WaitFor(
            [&] {
                return application_->Logic().VersionPending() == 0 &&
                       Window().IsEnabled(ui::Widget::Command3) &&
                       Window().Text(ui::Widget::Label20) == "Ver0258";
            },
            kLoadDeadlineMs))
            << "status line: " << Window().Text(ui::Widget::Label18)
            << ", version: " << Window().Text(ui::Widget::Label20)
            << ", messages: " << messages_.Texts();
    }

    void ExpectClosedWindow() {
        using enum ui::Widget;
        EXPECT_EQ(Window().Text(Command1), "打开串口");
        EXPECT_EQ(Window().Text(Label18), "串口关闭");
        EXPECT_TRUE(Window().IsEnabled(Combo1));
        for (ui::Widget w : {Command2, Command3, Command4, Command5}) {
            EXPECT_FALSE(Window().IsEnabled(w)) << ui::NameOf(w);
        }
        EXPECT_EQ(application_->Logic().PollState(), 0);
    }

    posix::LineServer device_;
    MessageWatch messages_;
    std::unique_ptr<qtwidgets::Application> application_;
};
