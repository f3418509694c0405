#include "qtwidgets/QtMessage.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTest>
#include <QWidget>

#include "qt/QtTimer.h"

namespace {

TEST(QtMessage, ShowsTheTextWithOneOkButtonUnderTheApplicationsName) {
    QWidget owner;
    owner.show();
    qtwidgets::QtMessage message(&owner);

    // Timers keep ticking while the message is up; the box is inspected and dismissed from a
    // tick, once the 20 ms timer has ticked a few times behind it.
    int ticks = 0;
    qt::QtTimer timer(20, [&] { ++ticks; });
    timer.Start();

    QString title, text;
    std::vector<QMessageBox::StandardButton> buttons;
    bool modal = false;
    qt::QtTimer inspect(150, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            return;
        }
        title = box->windowTitle();
        text = box->text();
        modal = box->isModal();
        for (QAbstractButton* b : box->buttons()) {
            buttons.push_back(box->standardButton(b));
        }
        box->button(QMessageBox::Ok)->click();
    });
    inspect.Start();

    message.Show("串口错误");
    const int ticksDuringShow = ticks;
    inspect.Stop();
    timer.Stop();

    EXPECT_EQ(title, QGuiApplication::applicationDisplayName());
    EXPECT_EQ(text, QStringLiteral("串口错误"));
    EXPECT_EQ(buttons, std::vector<QMessageBox::StandardButton>{QMessageBox::Ok});
    EXPECT_TRUE(modal);
    EXPECT_GE(ticksDuringShow, 3);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// A notification that is waiting when the message is asked for (the first part of a reply on
// the port) is delivered before the box is built, not only once the box is up: building it holds
// the thread, and the reply's 50 ms of silence would count from the late delivery.
TEST(QtMessage, TakesWaitingNotificationsBeforeTheBoxComesUp) {
    QWidget owner;
    owner.show();
    qtwidgets::QtMessage message(&owner);
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ASSERT_EQ(::write(fds[1], "x", 1), 1);
    QSocketNotifier bytes(fds[0], QSocketNotifier::Read);
    bool delivered = false;
    bool boxWasUp = false;
    QObject::connect(&bytes, &QSocketNotifier::activated, [&] {
        char byte = 0;
        (void)::read(fds[0], &byte, 1);
        delivered = true;
        boxWasUp = QApplication::activeModalWidget() != nullptr;
    });
    qt::QtTimer dismiss(50, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            box->button(QMessageBox::Ok)->click();
        }
    });
    dismiss.Start();

    message.Show("配置参数加载失败，请检查设备后重试");
    dismiss.Stop();
    ::close(fds[0]);
    ::close(fds[1]);

    EXPECT_TRUE(delivered);
    EXPECT_FALSE(boxWasUp) << "the waiting bytes were read only after the box was built";
}

}  // namespace
