#pragma once

#include <QWidget>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "ui/WindowOperations.h"

class QComboBox;
class QStyle;

namespace ui {

// Makes "宋体" (SimSun) resolve to a Song-style Chinese font where SimSun itself is missing: first
// AR PL SungtiL GB, which has SimSun's metrics (Latin half an em wide, CJK one em, a one-em line),
// so that every text fits its fixed box as it did in SimSun; then AR PL UMing CN (the same
// widths, a slightly taller line); then Noto Serif CJK SC. Safe to call more than once.
void RegisterSongtiSubstitutes();

// The one window, Form1: every widget at its fixed place and size, with its font, default
// caption or text, list items and visibility, in the tab order of the placement table. There is
// no layout manager: resizing the window moves nothing.
//
// Lists are editable drop-downs whose typed text never becomes an item; typing into the text
// portion removes the selection until an item is picked, and a list never picks an item by
// itself because its text happens to match one.
class Form1Window : public QWidget, public WindowOperations {
public:
    explicit Form1Window(QWidget* parent = nullptr);

    // --- WindowOperations ---
    void SetCaption(Widget widget, std::string_view caption) override;
    void SetText(Widget widget, std::string_view text) override;
    std::string Text(Widget widget) const override;
    int SelectedIndex(Widget list) const override;
    [[nodiscard]] bool SetSelectedIndex(Widget list, int index) override;
    void ClearItems(Widget list) override;
    void AddItem(Widget list, std::string_view item) override;
    void SetEnabled(Widget widget, bool enabled) override;
    void SetFocus(Widget widget) override;

    // Receives the clicks on Command1 to Command5. A disabled or hidden button delivers none.
    void SetClickHandler(std::function<void(Widget)> handler) { onClick_ = std::move(handler); }
    // Called when the operator opens a list's drop-down, before it shows: the handler may change
    // the items. The drop-down is always as wide as the list's longest item.
    void SetDropDownHandler(std::function<void(Widget)> handler) {
        onDropDown_ = std::move(handler);
    }
    // Gives each item appended to the list the tooltip `toolTip` returns for its text.
    void SetItemToolTips(Widget list, std::function<std::string(std::string_view item)> toolTip);

    std::vector<std::string> Items(Widget list) const;
    bool IsEnabled(Widget widget) const;
    // The toolkit's widget behind a name; the window itself for Form1.
    QWidget* QtWidget(Widget widget) const { return widgets_[static_cast<std::size_t>(widget)]; }

private:
    QWidget* CreateWidget(Widget widget);
    QComboBox* List(Widget list) const;

    std::array<QWidget*, kWidgetCount> widgets_{};
    QStyle* listStyle_ = nullptr;  // the lists' style, owned by the window
    QStyle* boldStyle_ = nullptr;  // the bold captions' style, owned by the window
    std::function<void(Widget)> onClick_;
    std::function<void(Widget)> onDropDown_;
    std::array<std::function<std::string(std::string_view)>, kWidgetCount> itemToolTips_{};
};

}  // namespace ui
