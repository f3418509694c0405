#include "win32/DropDownLists.h"

#include <algorithm>

#include "ui/Placement.h"

namespace win32 {
namespace {

constexpr int kDropDownItems = 8;
// Windows' own drop-down list message of common controls 6; older ones ignore it.
constexpr UINT kSetMinVisible = 0x1701;  // CB_SETMINVISIBLE

constexpr std::size_t Index(ui::Widget w) {
    return static_cast<std::size_t>(w);
}

COMBOBOXINFO InfoOf(HWND combo) {
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    ::GetComboBoxInfo(combo, &info);
    return info;
}

}  // namespace

std::wstring WindowText(HWND window) {
    const auto length = ::SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const auto copied = ::SendMessageW(window, WM_GETTEXT, text.size(), (LPARAM)text.data());
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

std::wstring ItemText(HWND combo, int index) {
    const auto length = ::SendMessageW(combo, CB_GETLBTEXTLEN, index, 0);
    if (length == CB_ERR) {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    ::SendMessageW(combo, CB_GETLBTEXT, index, (LPARAM)text.data());
    text.resize(static_cast<std::size_t>(length));
    return text;
}

int ItemCount(HWND combo) {
    return static_cast<int>(::SendMessageW(combo, CB_GETCOUNT, 0, 0));
}

int Selected(HWND combo) {
    return static_cast<int>(::SendMessageW(combo, CB_GETCURSEL, 0, 0));
}

HWND DropDownOf(HWND combo) {
    return InfoOf(combo).hwndList;
}

HWND EditOf(HWND combo) {
    return InfoOf(combo).hwndItem;
}

void FitListHeight(HWND combo, int closedHeight) {
    RECT r{};
    // Measured, not computed: Wine reports the text field 2 px taller than it was set.
    auto field = ::SendMessageW(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
    for (int attempt = 0; attempt < 3; ++attempt) {
        ::GetWindowRect(combo, &r);
        const int excess = static_cast<int>(r.bottom - r.top) - closedHeight;
        if (excess == 0 || field - excess <= 0) {
            break;
        }
        field -= excess;
        ::SendMessageW(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
    }
    const auto item = ::SendMessageW(combo, CB_GETITEMHEIGHT, 0, 0);
    const int dropped = closedHeight + kDropDownItems * static_cast<int>(item) + 2;
    ::SetWindowPos(combo, nullptr, 0, 0, static_cast<int>(r.right - r.left), dropped,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::SendMessageW(combo, kSetMinVisible, kDropDownItems, 0);
}

// Windows selects the item whose text starts with what is typed; typing leaves the list without
// a selection instead. The list box is told directly, so that the typed text stays as it is.
bool DropDownLists::OnEditChange(ui::Widget list) {
    if (restoring_) {
        return false;
    }
    const HWND combo = Combo(list);
    if (Selected(combo) != CB_ERR) {
        ::SendMessageW(DropDownOf(combo), LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    }
    // Typed into the opened list: closing it keeps what was typed.
    if (::SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0) != 0) {
        dropped_[Index(list)] = {-1, WindowText(combo)};
    }
    return true;
}

void DropDownLists::OnDropDown(ui::Widget list) {
    const HWND combo = Combo(list);
    dropped_[Index(list)] = {Selected(combo), WindowText(combo)};
    WidenDropDown(list);
    // Windows now selects the item the text starts with, and puts its whole text into the text
    // portion; undone once it has.
    ::PostMessageW(handles_[Index(ui::Widget::Form1)], kAfterDropDown, Index(list), 0);
}

void DropDownLists::OnSelectionEnd(ui::Widget list, bool cancelled) {
    // Windows finishes the pick after these; look once it has. They also come when a closed list
    // loses the focus.
    if (::SendMessageW(Combo(list), CB_GETDROPPEDSTATE, 0, 0) != 0) {
        ::PostMessageW(handles_[Index(ui::Widget::Form1)], kAfterCloseUp, Index(list), cancelled);
    }
}

void DropDownLists::AfterDropDown(ui::Widget list) {
    const HWND combo = Combo(list);
    const Dropped& before = dropped_[Index(list)];
    if (::SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0) == 0) {
        return;
    }
    if (Selected(combo) != before.selected || WindowText(combo) != before.text) {
        SetText(list, before.text);
        ::SendMessageW(DropDownOf(combo), LB_SETCURSEL, before.selected, 0);
    }
}

// Closed without a pick, or with an item the pointer merely passed over: the list is as it was
// when it opened.
void DropDownLists::AfterCloseUp(ui::Widget list, bool cancelled) {
    const HWND combo = Combo(list);
    const int selected = Selected(combo);
    if (cancelled || (selected >= 0 && ItemText(combo, selected) != WindowText(combo))) {
        const Dropped& before = dropped_[Index(list)];
        SetText(list, before.text);
        ::SendMessageW(DropDownOf(combo), LB_SETCURSEL, before.selected, 0);
    }
}

void DropDownLists::WidenDropDown(ui::Widget list) const {
    const HWND combo = Combo(list);
    const HDC dc = ::GetDC(combo);
    const HGDIOBJ old = ::SelectObject(dc, (HFONT)::SendMessageW(combo, WM_GETFONT, 0, 0));
    int widest = 0;
    for (int i = 0, count = ItemCount(combo); i < count; ++i) {
        const std::wstring item = ItemText(combo, i);
        SIZE size{};
        ::GetTextExtentPoint32W(dc, item.c_str(), static_cast<int>(item.size()), &size);
        widest = std::max(widest, static_cast<int>(size.cx));
    }
    ::SelectObject(dc, old);
    ::ReleaseDC(combo, dc);
    // The list box's frame and item margins, and a scroll bar once the items outnumber the rows.
    int needed = widest + 4 * ::GetSystemMetrics(SM_CXEDGE) + 4;
    if (ItemCount(combo) > kDropDownItems) {
        needed += ::GetSystemMetrics(SM_CXVSCROLL);
    }
    RECT r{};
    ::GetWindowRect(combo, &r);
    ::SendMessageW(combo, CB_SETDROPPEDWIDTH, std::max<LONG>(needed, r.right - r.left), 0);
}

// A port's name is told apart by its end, so the port chooser's placement has it show its end;
// the other lists show the start of a text too long for them, as Windows does by itself.
void DropDownLists::ShowTellingEnd(ui::Widget list) const {
    if (!ui::PlacementOf(list).showsEnd) {
        return;
    }
    const HWND edit = EditOf(Combo(list));
    const auto length = ::GetWindowTextLengthW(edit);
    ::SendMessageW(edit, EM_SETSEL, length, length);
    ::SendMessageW(edit, EM_SCROLLCARET, 0, 0);
}

void DropDownLists::SetText(ui::Widget list, const std::wstring& text) {
    const HWND combo = Combo(list);
    const int selected = Selected(combo);
    restoring_ = true;
    ::SetWindowTextW(combo, text.c_str());
    restoring_ = false;
    if (Selected(combo) != selected) {
        ::SendMessageW(DropDownOf(combo), LB_SETCURSEL, selected, 0);
    }
    ShowTellingEnd(list);
}

}  // namespace win32
