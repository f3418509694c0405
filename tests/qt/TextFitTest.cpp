// Every text of the window shows in full at the fixed placement, with the fonts installed here:
// the longest item of each list in its text portion, each caption in its box, and each font's
// line within its widget's height.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStyleOptionFrame>
#include <QTest>

#include "qtwidgets/Form1Window.h"
#include "ui/Placement.h"

namespace {

using enum ui::Widget;
using ui::Widget;
using ui::WidgetKind;

QString ToQt(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The rectangle a list's text portion has, as the style lays it out.
QRect EditField(QComboBox* combo) {
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = true;
    option.frame = true;
    return combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                          QStyle::SC_ComboBoxEditField, combo);
}

// QLineEdit keeps its text 2 px clear of each side of its contents.
constexpr int kLineEditMargin = 2;

// Where a text box draws its text.
QRect TextRoom(QLineEdit* edit) {
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.lineWidth = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit);
    const QRect contents =
        edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
    return contents.adjusted(kLineEditMargin, 0, -kLineEditMargin, 0);
}

// The room a caption has: a label's box, a button's contents.
QRect CaptionRoom(QWidget* w) {
    if (auto* button = qobject_cast<QPushButton*>(w)) {
        QStyleOptionButton option;
        option.initFrom(button);
        return button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    }
    return w->contentsRect();
}

// The texts a widget shows: a list's items and its default text, a caption, the status line's
// longest message, the ports that Combo1 lists.
std::vector<std::string> TextsOf(Widget w) {
    const ui::WidgetDefaults& d = ui::DefaultsOf(w);
    std::vector<std::string> texts(d.items.begin(), d.items.end());
    texts.emplace_back(d.text);
    if (w == Combo1) {
        texts.insert(texts.end(), {"SIM1", "ttyUSB0", "ttyACM0", "ttyS0"});
    }
    if (w == Label18) {
        texts.insert(texts.end(), {"配置参数加载失败，请检查设备后重试", "正在加载配置参数",
                                   "数据超范围溢出", "保存配置参数成功"});
    }
    if (w == Label20) {
        texts.emplace_back("Ver0021");
    }
    if (w == Command1) {
        texts.emplace_back("关闭串口");
    }
    return texts;
}

TEST(TextFit, EveryTextShowsInFullInItsWidget) {
    qtwidgets::Form1Window window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    for (const ui::Placement& p : ui::AllPlacements()) {
        if (!ui::DefaultsOf(p.widget).visible) {
            continue;
        }
        QWidget* w = window.QtWidget(p.widget);
        const QFontMetrics metrics(w->font());
        const WidgetKind kind = ui::DefaultsOf(p.widget).kind;
        QRect room;
        if (kind == WidgetKind::List) {
            // The line edit fills the edit field and keeps its own margins inside it.
            room = EditField(static_cast<QComboBox*>(w))
                       .adjusted(kLineEditMargin, 0, -kLineEditMargin, 0);
            EXPECT_EQ(static_cast<QComboBox*>(w)->lineEdit()->geometry(),
                      EditField(static_cast<QComboBox*>(w)));
        } else if (kind == WidgetKind::TextBox) {
            room = TextRoom(static_cast<QLineEdit*>(w));
        } else {
            room = CaptionRoom(w);
        }
        SCOPED_TRACE(std::string(ui::NameOf(p.widget)) + " room " + std::to_string(room.width()) +
                     " x " + std::to_string(room.height()) + " px, line " +
                     std::to_string(metrics.height()) + " px, " +
                     QFontInfo(w->font()).family().toStdString());
        EXPECT_LE(metrics.height(), w->height()) << "the font's line is taller than the widget";
        for (const std::string& text : TextsOf(p.widget)) {
            const int width = metrics.horizontalAdvance(ToQt(text));
            EXPECT_LE(width, room.width()) << "\"" << text << "\" needs " << width << " px";
        }
    }
}

}  // namespace
