#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "ui/WindowOperations.h"

namespace ui {

// The window as a toolkit shows it: the operations the logic performs, and the operator's
// events, which the window hands to the handlers it is given.
class Window : public WindowOperations {
public:
    // Receives the clicks on Command1 to Command5. A disabled or hidden button delivers none.
    virtual void SetClickHandler(std::function<void(Widget)> handler) = 0;
    // Called when the operator opens a list's drop-down, before it shows: the handler may change
    // the items. The drop-down is always as wide as the list's longest item.
    virtual void SetDropDownHandler(std::function<void(Widget)> handler) = 0;
    // Gives each item appended to the list the tooltip `toolTip` returns for its text.
    virtual void SetItemToolTips(Widget list,
                                 std::function<std::string(std::string_view item)> toolTip) = 0;
};

}  // namespace ui
