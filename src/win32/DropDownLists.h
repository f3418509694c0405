#pragma once

#include <windows.h>

#include <array>
#include <string>

#include "ui/Widget.h"

namespace win32 {

// The text a control shows, a list's text portion included.
std::wstring WindowText(HWND window);
// A list's items, its selected one (CB_ERR for none), its opened drop-down and its text portion.
std::wstring ItemText(HWND combo, int index);
int ItemCount(HWND combo);
int Selected(HWND combo);
HWND DropDownOf(HWND combo);
HWND EditOf(HWND combo);

// A drop-down list's closed height follows its font; it is made the placement's height, and the
// window's height, which counts the opened list too, room for eight items.
void FitListHeight(HWND combo, int closedHeight);

// The window's editable drop-down lists, mended where Windows does otherwise: typing removes the
// selection; a list never picks an item by itself because its text matches an item's start; a
// list closed without a pick is as it was when it opened; a drop-down is as wide as its longest
// item; a list whose placement says so shows the end of a text too long for it.
class DropDownLists {
public:
    // Posted to the window with the list in wParam (and for a close-up, whether it was
    // cancelled in lParam), for the window to hand back to AfterDropDown and AfterCloseUp.
    static constexpr UINT kAfterDropDown = WM_APP + 1;
    static constexpr UINT kAfterCloseUp = WM_APP + 2;

    // The window's controls by widget, the window itself at Form1.
    explicit DropDownLists(const std::array<HWND, ui::kWidgetCount>& handles) : handles_(handles) {}

    // CBN_EDITCHANGE. False when the lists set the text themselves, which nothing else should
    // take for typing.
    bool OnEditChange(ui::Widget list);
    // CBN_DROPDOWN, after the window's drop-down handler.
    void OnDropDown(ui::Widget list);
    // CBN_SELENDOK and CBN_SELENDCANCEL.
    void OnSelectionEnd(ui::Widget list, bool cancelled);
    void AfterDropDown(ui::Widget list);
    void AfterCloseUp(ui::Widget list, bool cancelled);

    // Sets the text portion and keeps the selection, which Windows drops when the text changes.
    void SetText(ui::Widget list, const std::wstring& text);
    void ShowTellingEnd(ui::Widget list) const;

private:
    HWND Combo(ui::Widget list) const { return handles_[static_cast<std::size_t>(list)]; }
    void WidenDropDown(ui::Widget list) const;

    const std::array<HWND, ui::kWidgetCount>& handles_;
    // An opened list as its drop-down handler left it, or as typed into since: what Windows
    // selects by itself because the text matches an item's start is undone to it, and a list
    // closed without a pick goes back to it.
    struct Dropped {
        int selected = -1;
        std::wstring text;
    };
    std::array<Dropped, ui::kWidgetCount> dropped_{};
    bool restoring_ = false;
};

}  // namespace win32
