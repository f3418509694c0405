#pragma once

#include <QWidget>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "ui/Window.h"

class QComboBox;
class QStyle;

namespace qtwidgets {

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
class Form1Window : public QWidget, public ui::Window {
public:
    explicit Form1Window(QWidget* parent = nullptr);

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

    std::vector<std::string> Items(ui::Widget list) const;
    bool IsEnabled(ui::Widget widget) const;
    // The toolkit's widget behind a name; the window itself for Form1.
    QWidget* QtWidget(ui::Widget widget) const {
        return widgets_[static_cast<std::size_t>(widget)];
    }

private:
    QWidget* CreateWidget(ui::Widget widget);
    QComboBox* List(ui::Widget list) const;

    std::array<QWidget*, ui::kWidgetCount> widgets_{};
    QStyle* listStyle_ = nullptr;  // the lists' style, owned by the window
    QStyle* boldStyle_ = nullptr;  // the bold captions' style, owned by the window
    std::function<void(ui::Widget)> onClick_;
    std::function<void(ui::Widget)> onDropDown_;
    std::array<std::function<std::string(std::string_view)>, ui::kWidgetCount> itemToolTips_{};
};

}  // namespace qtwidgets
