#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/Widget.h"

namespace win32 {

// The lists' item tooltips, in one tooltip window for the whole window: over a list's text
// portion its selected item's tooltip, over its opened drop-down the tooltip of the item under the
// pointer, which the drop-down's subclass follows.
class ListToolTips {
public:
    // The window's controls by widget, the window itself at Form1.
    explicit ListToolTips(const std::array<HWND, ui::kWidgetCount>& handles) : handles_(handles) {}
    ListToolTips(const ListToolTips&) = delete;
    ListToolTips& operator=(const ListToolTips&) = delete;

    // Each item added from now on gets the tooltip this gives it.
    void Set(ui::Widget list, std::function<std::string(std::string_view)> toolTip);
    // The list's items as they change, to keep a tooltip for each.
    void ItemAdded(ui::Widget list, std::string_view item);
    void ItemsCleared(ui::Widget list);
    // A drop-down that opens has no item under the pointer yet.
    void DroppedDown() { hoveredItem_ = -1; }
    // After the list's selection changed.
    void ShowSelected(ui::Widget list);
    std::string Shown(ui::Widget list, bool overDropDown) const;
    // Before the window goes: it would take the tooltip along, and its handle with it.
    void Destroy();

private:
    static LRESULT CALLBACK DropDownProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam);
    HWND Combo(ui::Widget list) const { return handles_[static_cast<std::size_t>(list)]; }
    HWND Owner() const { return handles_[static_cast<std::size_t>(ui::Widget::Form1)]; }
    void Add(ui::Widget list);
    void TrackHoveredItem(HWND dropDown, LPARAM point);

    const std::array<HWND, ui::kWidgetCount>& handles_;
    HWND toolTip_ = nullptr;
    int hoveredItem_ = -1;
    std::array<std::vector<std::wstring>, ui::kWidgetCount> tips_{};
    std::array<std::function<std::string(std::string_view)>, ui::kWidgetCount> itemToolTips_{};
};

}  // namespace win32
