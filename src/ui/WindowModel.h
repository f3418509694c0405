#pragma once

#include <array>
#include <string>
#include <vector>

#include "ui/WindowOperations.h"

namespace ui {

// The window without a display: every widget's text, items, selection, enabled and visible
// flags, and the keyboard focus, with the defaults the window is created with. Tests drive it as
// the operator would (Type, Pick) and read what the operator would see.
class WindowModel : public WindowOperations {
public:
    WindowModel();

    void SetCaption(Widget widget, std::string_view caption) override;
    void SetText(Widget widget, std::string_view text) override;
    std::string Text(Widget widget) const override;
    int SelectedIndex(Widget list) const override;
    [[nodiscard]] bool SetSelectedIndex(Widget list, int index) override;
    void ClearItems(Widget list) override;
    void AddItem(Widget list, std::string_view item) override;
    void SetEnabled(Widget widget, bool enabled) override;
    void SetFocus(Widget widget) override;

    bool IsEnabled(Widget widget) const;
    bool IsVisible(Widget widget) const;
    const std::vector<std::string>& Items(Widget list) const;
    Widget Focus() const { return focus_; }

    // The operator types into a text box or a list's text portion. Typing into a list removes its
    // selection. Returns false when the widget cannot take input (hidden or disabled).
    bool Type(Widget widget, std::string_view text);
    // The operator picks an item from a list. False when there is no such item or the list cannot
    // take input.
    bool Pick(Widget list, int index);
    // Whether a click on the widget is delivered: only to visible, enabled widgets.
    bool CanClick(Widget widget) const;

private:
    struct State {
        std::string text;
        std::vector<std::string> items;
        int selected = -1;
        bool enabled = true;
        bool visible = true;
    };
    State& At(Widget widget) { return widgets_[static_cast<std::size_t>(widget)]; }
    const State& At(Widget widget) const { return widgets_[static_cast<std::size_t>(widget)]; }

    std::array<State, kWidgetCount> widgets_;
    Widget focus_ = Widget::Combo1;
};

}  // namespace ui
