#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace ui {

// Every widget of the one window, by the name the window gives it.
enum class Widget : std::uint8_t {
    Form1,
    Label1,
    Label2,
    Label3,
    Label4,
    Label5,
    Label6,
    Label7,
    Label8,
    Label9,
    Label10,
    Label11,
    Label12,
    Label13,
    Label14,
    Label15,
    Label16,
    Label17,
    Label18,
    Label19,
    Label20,
    Text1,
    Text2,
    Text3,
    Text4,
    Text5,
    Text6,
    Text7,
    Text8,
    Text9,
    Text10,
    Combo1,
    Combo2,
    Combo3,
    Combo4,
    Combo5,
    Combo6,
    Combo7,
    Combo8,
    Command1,
    Command2,
    Command3,
    Command4,
    Command5,
};

inline constexpr std::size_t kWidgetCount = static_cast<std::size_t>(Widget::Command5) + 1;

enum class WidgetKind : std::uint8_t { Form, Label, TextBox, List, Button };

// What a widget is when the window is created: its caption or default text, its list items in
// order, and whether it is ever shown.
struct WidgetDefaults {
    Widget widget;
    std::string_view name;
    WidgetKind kind;
    std::string_view text;
    std::span<const std::string_view> items;
    bool visible;
};

// The table of all widgets, in the order of the enum.
std::span<const WidgetDefaults> AllWidgets();
const WidgetDefaults& DefaultsOf(Widget widget);
std::string_view NameOf(Widget widget);
std::optional<Widget> WidgetNamed(std::string_view name);

// The caption of the label that names a field ("通讯地址" for Text1); "置位" for Text9, whose
// caption is its button's.
std::string_view FieldCaption(Widget field);

}  // namespace ui
