#pragma once

#include <string>
#include <string_view>

#include "ui/Widget.h"

namespace ui {

// The operations the logic performs on the window's widgets, and nothing else. Implemented by
// the Qt window for the program and by WindowModel for tests and display-less runs.
class WindowOperations {
public:
    virtual ~WindowOperations() = default;

    // Labels and buttons: replaces the caption whole.
    virtual void SetCaption(Widget widget, std::string_view caption) = 0;
    // Text boxes, and the text portion of a list: replaces the text whole.
    virtual void SetText(Widget widget, std::string_view text) = 0;
    virtual std::string Text(Widget widget) const = 0;

    // Lists: -1 when no item is selected.
    virtual int SelectedIndex(Widget list) const = 0;
    // Selects the item and shows its text. An index outside 0..count-1 is refused: returns false
    // and changes nothing.
    [[nodiscard]] virtual bool SetSelectedIndex(Widget list, int index) = 0;
    // Removes every item and empties the text portion.
    virtual void ClearItems(Widget list) = 0;
    virtual void AddItem(Widget list, std::string_view item) = 0;

    virtual void SetEnabled(Widget widget, bool enabled) = 0;
    virtual void SetFocus(Widget widget) = 0;
};

}  // namespace ui
