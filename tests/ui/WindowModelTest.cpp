#include "ui/WindowModel.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using ui::Widget;

TEST(WindowModel, StartsWithTheDefaultTextsAndNoSelection) {
    const ui::WindowModel window;
    struct Expect {
        Widget widget;
        const char* text;
    };
    for (const Expect e :
         {Expect{Widget::Form1, "RS485上位机配置软件V2.1"}, Expect{Widget::Command1, "打开串口"},
          Expect{Widget::Command4, "置位"}, Expect{Widget::Label18, ""},
          Expect{Widget::Label19, "Fail"}, Expect{Widget::Label20, ""}, Expect{Widget::Text1, "1"},
          Expect{Widget::Text4, "3600"}, Expect{Widget::Text5, "3276"},
          Expect{Widget::Combo2, "115200"}, Expect{Widget::Combo7, "6组"},
          Expect{Widget::Combo8, "无校验"}}) {
        EXPECT_EQ(window.Text(e.widget), e.text) << ui::NameOf(e.widget);
    }
    for (Widget list : {Widget::Combo1, Widget::Combo2, Widget::Combo3, Widget::Combo4,
                        Widget::Combo5, Widget::Combo6, Widget::Combo7, Widget::Combo8}) {
        EXPECT_EQ(window.SelectedIndex(list), -1) << ui::NameOf(list);
    }
    for (Widget hidden : {Widget::Command5, Widget::Label12, Widget::Combo7}) {
        EXPECT_FALSE(window.IsVisible(hidden)) << ui::NameOf(hidden);
    }
    EXPECT_EQ(window.Items(Widget::Combo2),
              (std::vector<std::string>{"4800", "9600", "19200", "38400", "57600", "115200"}));
}

TEST(WindowModel, SelectingBeyondAListsItemsIsRefused) {
    struct ListSize {
        Widget list;
        int items;
    };
    for (const ListSize l :
         {ListSize{Widget::Combo2, 6}, ListSize{Widget::Combo3, 3}, ListSize{Widget::Combo4, 2},
          ListSize{Widget::Combo5, 3}, ListSize{Widget::Combo6, 2}, ListSize{Widget::Combo7, 2},
          ListSize{Widget::Combo8, 3}}) {
        ui::WindowModel window;
        for (int i = 0; i < l.items; ++i) {
            EXPECT_TRUE(window.SetSelectedIndex(l.list, i));
            EXPECT_EQ(window.Text(l.list), window.Items(l.list)[static_cast<std::size_t>(i)]);
        }
        EXPECT_FALSE(window.SetSelectedIndex(l.list, l.items)) << ui::NameOf(l.list);
        EXPECT_FALSE(window.SetSelectedIndex(l.list, -1)) << ui::NameOf(l.list);
        EXPECT_EQ(window.SelectedIndex(l.list), l.items - 1)
            << "a refused selection changes nothing";
    }
}

TEST(WindowModel, TypingIntoAListRemovesItsSelection) {
    ui::WindowModel window;
    ASSERT_TRUE(window.Pick(Widget::Combo5, 2));
    EXPECT_EQ(window.Text(Widget::Combo5), "测速");
    ASSERT_TRUE(window.Type(Widget::Combo5, "循"));
    EXPECT_EQ(window.SelectedIndex(Widget::Combo5), -1);
    EXPECT_EQ(window.Items(Widget::Combo5).size(), 3u) << "typed text never becomes an item";
}

TEST(WindowModel, ClearingAListEmptiesItsText) {
    ui::WindowModel window;
    window.AddItem(Widget::Combo1, "ttyUSB0");
    ASSERT_TRUE(window.SetSelectedIndex(Widget::Combo1, 0));
    window.ClearItems(Widget::Combo1);
    EXPECT_EQ(window.Text(Widget::Combo1), "");
    EXPECT_EQ(window.SelectedIndex(Widget::Combo1), -1);
    EXPECT_FALSE(window.SetSelectedIndex(Widget::Combo1, 0));
}

TEST(WindowModel, HiddenAndDisabledWidgetsTakeNoInput) {
    ui::WindowModel window;
    EXPECT_FALSE(window.CanClick(Widget::Command5));
    EXPECT_FALSE(window.Pick(Widget::Combo7, 1));
    window.SetEnabled(Widget::Command2, false);
    EXPECT_FALSE(window.CanClick(Widget::Command2));
    window.SetEnabled(Widget::Combo1, false);
    EXPECT_FALSE(window.Type(Widget::Combo1, "ttyS0"));
    // The logic still reaches a hidden list.
    EXPECT_TRUE(window.SetSelectedIndex(Widget::Combo7, 1));
}

// The table names every widget as the window does, in enum order: Form1, Label1..20, Text1..10,
// Combo1..8, Command1..5; a name it does not hold names nothing.
TEST(WidgetTable, NamesFollowTheWindowsNumberingAndFieldsKnowTheirCaptions) {
    std::vector<std::string> expected{"Form1"};
    for (const auto& [prefix, count] : {std::pair{"Label", 20}, std::pair{"Text", 10},
                                        std::pair{"Combo", 8}, std::pair{"Command", 5}}) {
        for (int i = 1; i <= count; ++i) {
            expected.push_back(prefix + std::to_string(i));
        }
    }
    ASSERT_EQ(ui::AllWidgets().size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const auto widget = static_cast<Widget>(i);
        EXPECT_EQ(ui::NameOf(widget), expected[i]);
        EXPECT_EQ(ui::WidgetNamed(expected[i]), widget) << expected[i];
    }
    for (const char* unknown : {"", "Text0", "Text11", "Combo9", "text1", "Timer1"}) {
        EXPECT_FALSE(ui::WidgetNamed(unknown).has_value()) << unknown;
    }
    EXPECT_EQ(ui::FieldCaption(Widget::Text1), "通讯地址");
    EXPECT_EQ(ui::FieldCaption(Widget::Text9), "置位");
    EXPECT_EQ(ui::FieldCaption(Widget::Combo8), "校验位");
    EXPECT_EQ(ui::FieldCaption(Widget::Combo7), "齿轮选择");
}

}  // namespace
