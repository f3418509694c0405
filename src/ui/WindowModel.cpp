#include "ui/WindowModel.h"

namespace ui {

WindowModel::WindowModel() {
    for (const WidgetDefaults& d : AllWidgets()) {
        State& s = At(d.widget);
        s.text = d.text;
        s.items.assign(d.items.begin(), d.items.end());
        s.visible = d.visible;
    }
}

void WindowModel::SetCaption(Widget widget, std::string_view caption) {
    At(widget).text = caption;
}

void WindowModel::SetText(Widget widget, std::string_view text) {
    At(widget).text = text;
}

std::string WindowModel::Text(Widget widget) const {
    return At(widget).text;
}

int WindowModel::SelectedIndex(Widget list) const {
    return At(list).selected;
}

bool WindowModel::SetSelectedIndex(Widget list, int index) {
    State& s = At(list);
    if (index < 0 || static_cast<std::size_t>(index) >= s.items.size()) {
        return false;
    }
    s.selected = index;
    s.text = s.items[static_cast<std::size_t>(index)];
    return true;
}

void WindowModel::ClearItems(Widget list) {
    State& s = At(list);
    s.items.clear();
    s.selected = -1;
    s.text.clear();
}

void WindowModel::AddItem(Widget list, std::string_view item) {
    At(list).items.emplace_back(item);
}

void WindowModel::SetEnabled(Widget widget, bool enabled) {
    At(widget).enabled = enabled;
}

void WindowModel::SetFocus(Widget widget) {
    focus_ = widget;
}

bool WindowModel::IsEnabled(Widget widget) const {
    return At(widget).enabled;
}

bool WindowModel::IsVisible(Widget widget) const {
    return At(widget).visible;
}

const std::vector<std::string>& WindowModel::Items(Widget list) const {
    return At(list).items;
}

bool WindowModel::Type(Widget widget, std::string_view text) {
    if (!CanClick(widget)) {
        return false;
    }
    State& s = At(widget);
    s.text = text;
    if (DefaultsOf(widget).kind == WidgetKind::List) {
        s.selected = -1;
    }
    return true;
}

bool WindowModel::Pick(Widget list, int index) {
    if (!CanClick(list)) {
        return false;
    }
    return SetSelectedIndex(list, index);
}

bool WindowModel::CanClick(Widget widget) const {
    const State& s = At(widget);
    return s.visible && s.enabled;
}

}  // namespace ui
