#include "app/QtMessage.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QWidget>

#include "app/QtTimer.h"

namespace {

TEST(QtMessage, ShowsTheTextWithOneOkButtonUnderTheApplicationsName) {
    QWidget owner;
    owner.show();
    app::QtMessage message(&owner);

    // Timers keep ticking while the message is up; the box is inspected and dismissed from a
    // tick, once the 20 ms timer has ticked a few times behind it.
    int ticks = 0;
    app::QtTimer timer(20, [&] { ++ticks; });
    timer.Start();

    QString title, text;
    std::vector<QMessageBox::StandardButton> buttons;
    bool modal = false;
    app::QtTimer inspect(150, [&] {
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

}  // namespace
