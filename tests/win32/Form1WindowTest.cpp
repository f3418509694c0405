#include "win32/Form1Window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <ostream>
#include <ranges>
#include <string>
#include <vector>

#include "ui/WindowModel.h"
#include "win32/Utf16.h"

namespace ui {
void PrintTo(Widget w, std::ostream* out) {
    *out << NameOf(w);
}
}  // namespace ui

namespace {

using enum ui::Widget;
using ui::Widget;
using ui::WidgetKind;
using win32::Form1Window;

// Runs the window's messages as the program's loop does.
void Pump() {
    MSG m;
    while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (!Form1Window::PreTranslate(m)) {
            ::TranslateMessage(&m);
            ::DispatchMessageW(&m);
        }
    }
}

// A key pressed and released on the focused control, through the program's loop.
void Press(WPARAM key) {
    ::PostMessageW(::GetFocus(), WM_KEYDOWN, key, 1);
    ::PostMessageW(::GetFocus(), WM_KEYUP, key, 0xC0000001);
    Pump();
}

void Type(HWND edit, std::wstring_view text) {
    for (wchar_t c : text) {
        ::SendMessageW(edit, WM_CHAR, c, 1);
    }
}

class Form1WindowTest : public testing::Test {
protected:
    void SetUp() override {
        window.Show(SW_SHOWNORMAL);
        Pump();
    }
    RECT InClient(Widget w) const {
        RECT r{};
        ::GetWindowRect(window.HandleOf(w), &r);
        ::MapWindowPoints(nullptr, window.Handle(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    // The widget whose control, or a list's text portion, has the keyboard focus.
    Widget Focused() const {
        for (const ui::WidgetDefaults& d : ui::AllWidgets()) {
            const HWND h = window.HandleOf(d.widget);
            if (d.widget != Form1 && (::GetFocus() == h || ::IsChild(h, ::GetFocus()))) {
                return d.widget;
            }
        }
        return Form1;
    }
    HWND Edit(Widget list) const { return ::GetWindow(window.HandleOf(list), GW_CHILD); }

    Form1Window window;
};

// The placement's conversions scale as Windows does, at the DPIs of 100 % to 200 %.
TEST(Form1WindowPixels, TwipsAndPointsScaleAsMulDivDoes) {
    for (const int dpi : {96, 120, 144, 168, 192}) {
        for (int twips = 0; twips <= ui::kClientWidthTwips; ++twips) {
            ASSERT_EQ(ui::TwipsToPixels(twips, dpi), ::MulDiv(twips, dpi, 1440))
                << twips << " at " << dpi;
        }
        for (const ui::Placement& p : ui::AllPlacements()) {
            const ui::FontFace face = ui::FaceOf(p.font);
            EXPECT_EQ(face.PixelSize(dpi), ::MulDiv(face.hundredthsOfPoint, dpi, 7200));
        }
    }
}

TEST_F(Form1WindowTest, EveryWidgetStandsAtItsPlaceWhateverTheWindowSize) {
    RECT client{};
    ::GetClientRect(window.Handle(), &client);
    EXPECT_EQ(client.right, window.Dpi() == 96 ? 977 : window.Pixels(ui::kClientWidthTwips));
    EXPECT_EQ(client.bottom, window.Dpi() == 96 ? 623 : window.Pixels(ui::kClientHeightTwips));
    constexpr LONG kFrame = WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    EXPECT_EQ(::GetWindowLongW(window.Handle(), GWL_STYLE) & kFrame, kFrame);

    for (const SIZE size : {SIZE{0, 0}, SIZE{1600, 1000}, SIZE{300, 200}, SIZE{-1, -1}}) {
        if (size.cx < 0) {
            ::ShowWindow(window.Handle(), SW_MAXIMIZE);
        } else if (size.cx > 0) {
            ::SetWindowPos(window.Handle(), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE);
        }
        Pump();
        for (const ui::Placement& p : ui::AllPlacements()) {
            const RECT r = InClient(p.widget);
            EXPECT_EQ((std::vector<long>{r.left, r.top, r.right - r.left, r.bottom - r.top}),
                      (std::vector<long>{window.Pixels(p.left), window.Pixels(p.top),
                                         window.Pixels(p.width), window.Pixels(p.height)}))
                << ui::NameOf(p.widget) << " in a window " << size.cx << "x" << size.cy;
        }
    }
}

TEST_F(Form1WindowTest, EveryWidgetShowsItsTextInItsFontWithEveryGlyph) {
    EXPECT_EQ(window.Text(Form1), "RS485上位机配置软件V2.1");
    const HDC dc = ::GetDC(window.Handle());
    for (const ui::Placement& p : ui::AllPlacements()) {
        const ui::WidgetDefaults& d = ui::DefaultsOf(p.widget);
        SCOPED_TRACE(d.name);
        const HWND h = window.HandleOf(p.widget);
        EXPECT_EQ(::IsWindowVisible(h) != FALSE, d.visible);
        EXPECT_EQ(window.Text(p.widget), d.text);
        const LONG style = ::GetWindowLongW(h, GWL_STYLE);
        if (d.kind == WidgetKind::Label) {
            const bool centred = p.widget == Label19 || p.widget == Label20;
            EXPECT_EQ(style & SS_TYPEMASK, centred ? SS_CENTER : SS_LEFTNOWORDWRAP);
        }
        EXPECT_EQ((style & WS_TABSTOP) != 0, d.kind != WidgetKind::Label);

        const auto font = reinterpret_cast<HFONT>(::SendMessageW(h, WM_GETFONT, 0, 0));
        LOGFONTW asked{};
        ASSERT_EQ(::GetObjectW(font, sizeof(asked), &asked), int{sizeof(asked)});
        const ui::FontFace face = ui::FaceOf(p.font);
        EXPECT_EQ(asked.lfHeight, -::MulDiv(face.hundredthsOfPoint, window.Dpi(), 7200));
        EXPECT_EQ(asked.lfWeight, face.bold ? FW_BOLD : FW_NORMAL);
        EXPECT_EQ(asked.lfCharSet, GB2312_CHARSET);
        const std::wstring faceName = asked.lfFaceName;
        EXPECT_TRUE(faceName == L"宋体" || faceName == L"SimSun" || faceName == L"NSimSun" ||
                    faceName == L"Microsoft YaHei");

        // What GDI draws with has a glyph for every character of the text and the items.
        const HGDIOBJ old = ::SelectObject(dc, font);
        std::vector<std::string_view> texts(d.items.begin(), d.items.end());
        texts.push_back(d.text);
        for (const std::wstring wide : texts | std::views::transform(win32::Widen)) {
            std::vector<WORD> glyphs(wide.size());
            ::GetGlyphIndicesW(dc, wide.c_str(), static_cast<int>(wide.size()), glyphs.data(),
                               GGI_MARK_NONEXISTING_GLYPHS);
            EXPECT_EQ(std::ranges::count(glyphs, WORD{0xFFFF}), 0) << win32::Narrow(wide);
        }
        ::SelectObject(dc, old);
    }
    ::ReleaseDC(window.Handle(), dc);
    // Never shown, Combo7 still carries its selection for the save frame.
    EXPECT_TRUE(window.SetSelectedIndex(Combo7, 1));
    EXPECT_EQ(window.Text(Combo7), "7组");
}

TEST_F(Form1WindowTest, TabStartsOnCombo1AndSkipsHiddenAndDisabledWidgets) {
    ASSERT_EQ(Focused(), Combo1);
    std::vector<Widget> all{Combo1, Command1, Combo2,   Text1,    Text2,  Combo3,   Combo4,
                            Combo5, Combo6,   Text3,    Text4,    Text5,  Text6,    Text7,
                            Text8,  Text9,    Command2, Command3, Text10, Command4, Combo8};
    std::vector<Widget> afterLoad = all;
    std::erase_if(afterLoad, [](Widget w) { return w >= Command2; });
    // Tab through the program's loop, and the dialog manager's next control.
    const std::function<void()> steps[] = {
        [] { Press(VK_TAB); },
        [&] {
            ::SetFocus(::GetNextDlgTabItem(window.Handle(), window.HandleOf(Focused()), FALSE));
        }};
    for (const auto& [disabled, expected] : {std::pair{false, all}, std::pair{true, afterLoad}}) {
        for (Widget w : {Command2, Command3, Command4, Command5}) {
            window.SetEnabled(w, !disabled);
        }
        for (const auto& step : steps) {
            window.SetFocus(Combo1);
            std::vector<Widget> stops{Combo1};
            for (step(); Focused() != Combo1 && stops.size() < 50; step()) {
                stops.push_back(Focused());
            }
            EXPECT_EQ(stops, expected);
        }
    }
    // A disabled control would keep the focus and take no key: the focus moves on.
    window.SetFocus(Command1);
    window.SetEnabled(Command1, false);
    EXPECT_EQ(Focused(), Combo2);
}

TEST_F(Form1WindowTest, ClicksOnlyFromEnabledButtonsAndEnterOrEscapePressNothing) {
    std::vector<Widget> clicks;
    window.SetClickHandler([&](Widget w) { clicks.push_back(w); });
    window.SetEnabled(Command2, false);
    for (Widget w : {Command1, Command2, Command3, Command4, Command5}) {
        ::SendMessageW(window.HandleOf(w), BM_CLICK, 0, 0);
    }
    EXPECT_EQ(clicks, (std::vector<Widget>{Command1, Command3, Command4}));

    // Command1 reached by tab, which makes a button the dialog manager's default.
    clicks.clear();
    for (Widget focus : {Text1, Combo2, Combo1, Command1}) {
        if (focus == Command1) {
            Press(VK_TAB);
        } else {
            window.SetFocus(focus);
        }
        ASSERT_EQ(Focused(), focus);
        Press(VK_RETURN);
        Press(VK_ESCAPE);
    }
    EXPECT_TRUE(clicks.empty());
    Press(VK_SPACE);
    EXPECT_EQ(clicks, std::vector<Widget>{Command1});
}

TEST_F(Form1WindowTest, TypingRemovesTheSelectionAndAMatchingTextPicksNothing) {
    const HWND combo = window.HandleOf(Combo2), edit = Edit(Combo2);
    ASSERT_TRUE(window.SetSelectedIndex(Combo2, 5));
    window.SetFocus(Combo2);
    ::SendMessageW(edit, EM_SETSEL, 3, 3);
    Type(edit, L"x");
    EXPECT_EQ(window.SelectedIndex(Combo2), -1);
    EXPECT_EQ(window.Text(Combo2), "115x200");

    // The start of an item, the list opened, typed into and closed; then again up to the whole
    // text of an item, closed with Enter. Windows would select the item the text starts.
    ::SendMessageW(edit, EM_SETSEL, 0, -1);
    Type(edit, L"96");
    std::string typed = "96";
    for (bool enter : {false, true}) {
        ::SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
        Pump();
        EXPECT_EQ(window.SelectedIndex(Combo2), -1);
        EXPECT_EQ(window.Text(Combo2), typed);
        ::SendMessageW(edit, EM_SETSEL, typed.size(), typed.size());
        Type(edit, L"0");
        typed += "0";
        EXPECT_EQ(window.SelectedIndex(Combo2), -1);
        enter ? Press(VK_RETURN) : void(::SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0));
        Pump();
        EXPECT_EQ(window.SelectedIndex(Combo2), -1) << "closed with enter: " << enter;
        EXPECT_EQ(window.Text(Combo2), typed);
    }
    // Picking with the arrow key selects again, and shows the item picked.
    Press(VK_DOWN);
    ASSERT_GE(window.SelectedIndex(Combo2), 0);
    EXPECT_EQ(window.Text(Combo2), window.Items(Combo2)[window.SelectedIndex(Combo2)]);
}

TEST_F(Form1WindowTest, DropDownAsksFirstIsAsWideAsItsLongestItemAndShowsItemToolTips) {
    const std::string longest = "\\\\?\\USB#VID_1A86&PID_7523#5&2A6B3C&0&3#{86e0d1e0}";
    window.SetItemToolTips(Combo1, [](std::string_view item) { return "到 " + std::string(item); });
    std::vector<Widget> asked;
    window.SetDropDownHandler([&](Widget list) {
        asked.push_back(list);
        window.ClearItems(list);
        window.AddItem(list, "COM3");
        window.AddItem(list, longest);
    });
    const HWND combo = window.HandleOf(Combo1);
    const RECT closed = InClient(Combo1);
    ::SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
    Pump();
    EXPECT_EQ(asked, std::vector<Widget>{Combo1});
    EXPECT_EQ(window.Items(Combo1), (std::vector<std::string>{"COM3", longest}));
    EXPECT_EQ(InClient(Combo1).right, closed.right);
    // Past 40 characters of 10 px and more, in a list 105 px wide.
    EXPECT_GT(::SendMessageW(combo, CB_GETDROPPEDWIDTH, 0, 0), window.Pixels(40 * 10 * 15));

    // The pointer over the second item of the opened list, which closes without a pick.
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    ::GetComboBoxInfo(combo, &info);
    RECT item{};
    ::SendMessageW(info.hwndList, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&item));
    ::SendMessageW(info.hwndList, WM_MOUSEMOVE, 0, MAKELPARAM(item.left + 2, item.top + 2));
    EXPECT_EQ(window.ToolTipShown(Combo1, true), "到 " + longest);
    ::SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
    Pump();
    EXPECT_EQ(window.SelectedIndex(Combo1), -1);
    EXPECT_EQ(window.ToolTipShown(Combo1, false), "");
    ASSERT_TRUE(window.SetSelectedIndex(Combo1, 0));
    EXPECT_EQ(window.ToolTipShown(Combo1, false), "到 COM3");
    Type(Edit(Combo1), L"4");
    EXPECT_EQ(window.ToolTipShown(Combo1, false), "") << "typed text is no item";
}

// A port's name is told apart by its end, which the chooser shows; other lists show the start.
TEST_F(Form1WindowTest, APortNameTooLongForTheChooserShowsItsEnd) {
    const std::string byId = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    const auto firstShown = [&](Widget list) {
        return LOWORD(::SendMessageW(Edit(list), EM_CHARFROMPOS, 0, MAKELPARAM(1, 5)));
    };
    for (Widget list : {Combo1, Combo2}) {
        window.SetText(list, byId);
        EXPECT_EQ(firstShown(list) > 20, list == Combo1) << ui::NameOf(list);
    }
}

// --- the operations, against the display-less model ---

template <typename Window>
std::vector<std::string> Observe(const Window& w) {
    std::vector<std::string> all;
    for (const ui::WidgetDefaults& d : ui::AllWidgets()) {
        std::string seen = std::string(d.name) + " '" + w.Text(d.widget) + "'" +
                           (w.IsEnabled(d.widget) ? "" : " disabled");
        if (d.kind == WidgetKind::List) {
            seen += " #" + std::to_string(w.SelectedIndex(d.widget)) + " of";
            for (const std::string& item : w.Items(d.widget)) {
                seen += " " + item;
            }
        }
        all.push_back(std::move(seen));
    }
    return all;
}

// The window carries the program's icon (this test program carries the same resources), at the
// title bar's size and at the task bar's.
TEST_F(Form1WindowTest, CarriesTheProgramsIconAtTheTitleBarsAndTheTaskBarsSize) {
    const auto sideOf = [&](WPARAM which) {
        const auto icon =
            reinterpret_cast<HICON>(::SendMessageW(window.Handle(), WM_GETICON, which, 0));
        ICONINFO info{};
        if (icon == nullptr || !::GetIconInfo(icon, &info)) {
            return 0;
        }
        BITMAP bitmap{};
        ::GetObjectW(info.hbmColor, sizeof(bitmap), &bitmap);
        ::DeleteObject(info.hbmColor);
        ::DeleteObject(info.hbmMask);
        return static_cast<int>(bitmap.bmWidth);
    };
    EXPECT_EQ(sideOf(ICON_SMALL), ::GetSystemMetrics(SM_CXSMICON));
    EXPECT_EQ(sideOf(ICON_BIG), ::GetSystemMetrics(SM_CXICON));
}

TEST_F(Form1WindowTest, OperationsActAsOnTheWindowModel) {
    using Ops = ui::WindowOperations;
    const std::function<bool(Ops&)> steps[] = {
        [](Ops& w) { return w.SetSelectedIndex(Combo2, 5); },
        [](Ops& w) { return w.SetSelectedIndex(Combo2, 6); },  // past the last item
        [](Ops& w) { return w.SetSelectedIndex(Combo3, -1); },
        [](Ops& w) { return w.SetSelectedIndex(Combo3, 1); },
        [](Ops& w) { return w.SetText(Combo3, "xyz"), true; },  // the selection stays
        [](Ops& w) { return w.SetText(Combo4, "单"), true; },   // the start of an item
        [](Ops& w) { return w.ClearItems(Combo1), true; },
        [](Ops& w) { return w.SetSelectedIndex(Combo1, 0); },  // an empty list
        [](Ops& w) { return w.AddItem(Combo1, "COM3"), w.AddItem(Combo1, "COM4"), true; },
        [](Ops& w) { return w.SetSelectedIndex(Combo1, 1); },
        [](Ops& w) { return w.AddItem(Combo1, "COM10"), true; },  // the selection stays
        [](Ops& w) { return w.SetSelectedIndex(Combo5, 2) && (w.ClearItems(Combo5), true); },
        [](Ops& w) { return w.SetCaption(Command1, "关闭串口"), true; },
        [](Ops& w) { return w.SetCaption(Form1, "标题"), true; },
        [](Ops& w) { return w.SetText(Text10, "-123456"), w.SetText(Text9, ""), true; },
        [](Ops& w) { return w.SetEnabled(Command2, false), w.SetEnabled(Combo1, false), true; },
        [](Ops& w) { return w.SetEnabled(Combo1, true), true; },
    };
    ui::WindowModel model;
    const auto expectSame = [&](const std::string& when) {
        const auto seen = Observe(window), expected = Observe(model);
        for (std::size_t i = 0; i < seen.size(); ++i) {
            EXPECT_EQ(seen[i], expected[i]) << when;
        }
    };
    expectSame("as created");
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        EXPECT_EQ(steps[i](window), steps[i](model)) << "step " << i;
        Pump();
        expectSame("after step " + std::to_string(i));
    }
}

}  // namespace
