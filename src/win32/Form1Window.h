#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/Placement.h"
#include "ui/Window.h"
#include "win32/DropDownLists.h"
#include "win32/ListToolTips.h"

namespace win32 {

// The one window, Form1, of native controls: every widget at its fixed place and size (twips
// turned into pixels at the system DPI), with its font, default caption or text, list items and
// visibility, created in tab order. Nothing moves when the window is resized. It carries the
// program's icon, when the program has one.
//
// Lists are editable drop-downs whose typed text never becomes an item; typing into the text
// portion removes the selection until an item is picked, and a list never picks an item by itself
// because its text happens to match one.
class Form1Window : public ui::Window {
public:
    Form1Window();
    ~Form1Window() override;
    Form1Window(const Form1Window&) = delete;
    Form1Window& operator=(const Form1Window&) = delete;

    // --- WindowOperations ---
    void SetCaption(ui::Widget widget, std::string_view caption) override;
    void SetText(ui::Widget widget, std::string_view text) override;
    std::string Text(ui::Widget widget) const override;
    int SelectedIndex(ui::Widget list) const override;
    [[nodiscard]] bool SetSelectedIndex(ui::Widget list, int index) override;
    void ClearItems(ui::Widget list) override;
    void AddItem(ui::Widget list, std::string_view item) override;
    void SetEnabled(ui::Widget widget, bool enabled) override;
    void SetFocus(ui::Widget widget) override;

    // --- Window ---
    void SetClickHandler(std::function<void(ui::Widget)> handler) override {
        onClick_ = std::move(handler);
    }
    void SetDropDownHandler(std::function<void(ui::Widget)> handler) override {
        onDropDown_ = std::move(handler);
    }
    void SetItemToolTips(ui::Widget list,
                         std::function<std::string(std::string_view item)> toolTip) override;
    // Called when the operator closes the window, which stays until this object goes; without a
    // handler the thread's message loop is told to quit.
    void SetCloseHandler(std::function<void()> handler) { onClose_ = std::move(handler); }

    // The small icon of the title bar and the large one of the task bar and Alt+Tab.
    void SetIcons(HICON titleBar, HICON taskBar);
    // Shows the window with the keyboard focus on Combo1, or where SetFocus put it.
    void Show(int showCommand);
    HWND Handle() const { return window_; }

    // For the program's message loop, before TranslateMessage: tab and shift-tab between the
    // controls; Enter and Escape press nothing. True when the message was handled here.
    static bool PreTranslate(MSG& message);

    std::vector<std::string> Items(ui::Widget list) const;
    bool IsEnabled(ui::Widget widget) const;
    // The control behind a name; the window itself for Form1.
    HWND HandleOf(ui::Widget widget) const { return handles_[static_cast<std::size_t>(widget)]; }
    // The tooltip shown over a list's text portion (its selected item's) and over its drop-down
    // (the item under the pointer).
    std::string ToolTipShown(ui::Widget list, bool overDropDown) const;
    // Pixels at the DPI the window was laid out for.
    int Pixels(int twips) const { return ui::TwipsToPixels(twips, dpi_); }
    int Dpi() const { return dpi_; }

private:
    static constexpr std::size_t kFontCount = 5;
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static ATOM RegisterClassOnce();

    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnCommand(HWND control, int id, int code);
    void CreateFonts();
    HWND CreateControl(const ui::Placement& p);
    bool IsList(ui::Widget widget) const;

    HWND window_ = nullptr;
    int dpi_ = ui::kStandardDpi;
    std::array<HWND, ui::kWidgetCount> handles_{};
    std::array<HFONT, kFontCount> fonts_{};
    HWND focus_ = nullptr;  // the control that had the focus when the window was last active
    DropDownLists lists_{handles_};
    ListToolTips toolTips_{handles_};
    std::function<void(ui::Widget)> onClick_;
    std::function<void(ui::Widget)> onDropDown_;
    std::function<void()> onClose_;
};

}  // namespace win32
