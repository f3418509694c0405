#include "win32/ListToolTips.h"

#include <commctrl.h>

#include <iterator>

#include "win32/DropDownLists.h"
#include "win32/Utf16.h"

namespace win32 {
namespace {

using ui::Widget;

constexpr wchar_t kOwnerProperty[] = L"win32.ListToolTips";
constexpr wchar_t kProcProperty[] = L"win32.ListToolTips.proc";

constexpr std::size_t Index(Widget w) {
    return static_cast<std::size_t>(w);
}

TTTOOLINFOW ToolOf(HWND owner, HWND control) {
    TTTOOLINFOW tool{};
    // The size every version of the common controls knows, 5 and 6 alike.
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = owner;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    return tool;
}

}  // namespace

void ListToolTips::Set(Widget list, std::function<std::string(std::string_view)> toolTip) {
    itemToolTips_[Index(list)] = std::move(toolTip);
    Add(list);
}

void ListToolTips::ItemAdded(Widget list, std::string_view item) {
    const auto& toolTip = itemToolTips_[Index(list)];
    tips_[Index(list)].push_back(toolTip ? Widen(toolTip(item)) : std::wstring());
}

void ListToolTips::ItemsCleared(Widget list) {
    tips_[Index(list)].clear();
}

void ListToolTips::Destroy() {
    if (toolTip_ != nullptr) {
        ::DestroyWindow(toolTip_);
        toolTip_ = nullptr;
    }
}

// One tool over the text portion, showing the selected item's tooltip, and one over the opened
// drop-down, showing the tooltip of the item under the pointer.
void ListToolTips::Add(Widget list) {
    if (toolTip_ == nullptr) {
        toolTip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                     WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                     CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Owner(), nullptr,
                                     ::GetModuleHandleW(nullptr), nullptr);
        // Long device paths: wrapped at the screen's width rather than cut.
        ::SendMessageW(toolTip_, TTM_SETMAXTIPWIDTH, 0, ::GetSystemMetrics(SM_CXSCREEN));
    }
    const HWND dropDown = DropDownOf(Combo(list));
    for (const HWND control : {EditOf(Combo(list)), dropDown}) {
        TTTOOLINFOW tool = ToolOf(Owner(), control);
        tool.lpszText = const_cast<wchar_t*>(L"");
        ::SendMessageW(toolTip_, TTM_DELTOOLW, 0, (LPARAM)&tool);
        ::SendMessageW(toolTip_, TTM_ADDTOOLW, 0, (LPARAM)&tool);
    }
    if (::GetPropW(dropDown, kOwnerProperty) == nullptr) {
        ::SetPropW(dropDown, kOwnerProperty, this);
        ::SetPropW(dropDown, kProcProperty,
                   reinterpret_cast<HANDLE>(::SetWindowLongPtrW(
                       dropDown, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DropDownProc))));
    }
    ShowSelected(list);
}

LRESULT CALLBACK ListToolTips::DropDownProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto next = reinterpret_cast<WNDPROC>(::GetPropW(list, kProcProperty));
    if (message == WM_MOUSEMOVE) {
        if (auto* self = static_cast<ListToolTips*>(::GetPropW(list, kOwnerProperty))) {
            self->TrackHoveredItem(list, lParam);
        }
    } else if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(next));
        ::RemovePropW(list, kOwnerProperty);
        ::RemovePropW(list, kProcProperty);
    }
    return ::CallWindowProcW(next, list, message, wParam, lParam);
}

void ListToolTips::TrackHoveredItem(HWND dropDown, LPARAM point) {
    const auto hit = ::SendMessageW(dropDown, LB_ITEMFROMPOINT, 0, point);
    const int item = HIWORD(hit) == 0 ? LOWORD(hit) : -1;
    if (item == hoveredItem_ || toolTip_ == nullptr) {
        return;
    }
    hoveredItem_ = item;
    for (const ui::WidgetDefaults& d : ui::AllWidgets()) {
        if (d.kind == ui::WidgetKind::List && DropDownOf(Combo(d.widget)) == dropDown) {
            const auto& tips = tips_[Index(d.widget)];
            TTTOOLINFOW tool = ToolOf(Owner(), dropDown);
            const bool known = item >= 0 && static_cast<std::size_t>(item) < tips.size();
            tool.lpszText = const_cast<wchar_t*>(known ? tips[item].c_str() : L"");
            ::SendMessageW(toolTip_, TTM_UPDATETIPTEXTW, 0, (LPARAM)&tool);
        }
    }
}

void ListToolTips::ShowSelected(Widget list) {
    if (toolTip_ == nullptr || !itemToolTips_[Index(list)]) {
        return;
    }
    const auto& tips = tips_[Index(list)];
    const int selected = Selected(Combo(list));
    const bool known = selected >= 0 && static_cast<std::size_t>(selected) < tips.size();
    TTTOOLINFOW tool = ToolOf(Owner(), EditOf(Combo(list)));
    tool.lpszText = const_cast<wchar_t*>(known ? tips[selected].c_str() : L"");
    ::SendMessageW(toolTip_, TTM_UPDATETIPTEXTW, 0, (LPARAM)&tool);
}

std::string ListToolTips::Shown(Widget list, bool overDropDown) const {
    if (toolTip_ == nullptr) {
        return {};
    }
    wchar_t text[1024]{};
    const HWND combo = Combo(list);
    TTTOOLINFOW tool = ToolOf(Owner(), overDropDown ? DropDownOf(combo) : EditOf(combo));
    tool.lpszText = text;
    ::SendMessageW(toolTip_, TTM_GETTEXTW, std::size(text), (LPARAM)&tool);
    return Narrow(text);
}

}  // namespace win32
