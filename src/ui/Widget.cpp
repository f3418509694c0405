#include "ui/Widget.h"

#include <array>

#include "product/Texts.h"
#include "product/Version.h"

namespace ui {
namespace {

using enum Widget;
using enum WidgetKind;
using Items = std::span<const std::string_view>;

constexpr std::array<std::string_view, 6> kBaudRates{"4800",  "9600",  "19200",
                                                     "38400", "57600", "115200"};
constexpr std::array<std::string_view, 3> kParities{"无校验", "ODD", "EVEN"};
constexpr std::array<std::string_view, 3> kProtocols{"主动", "被动", "MODBUS"};
constexpr std::array<std::string_view, 2> kTurnModes{"单圈", "多圈"};
constexpr std::array<std::string_view, 3> kWorkModes{"往复", "循环", "测速"};
constexpr std::array<std::string_view, 2> kDirections{"顺时针", "逆时针"};
constexpr std::array<std::string_view, 2> kGears{"6组", "7组"};

constexpr std::array<WidgetDefaults, kWidgetCount> kWidgets{{
    {Form1, "Form1", Form, product::kWindowTitle, {}, true},
    {Label1, "Label1", Label, "端口号", {}, true},
    {Label2, "Label2", Label, "通讯波特率", {}, true},
    {Label3, "Label3", Label, "通讯协议", {}, true},
    {Label4, "Label4", Label, "计圈模式", {}, true},
    {Label5, "Label5", Label, "工作模式", {}, true},
    {Label6, "Label6", Label, "旋转方向", {}, true},
    {Label7, "Label7", Label, "通讯地址", {}, true},
    {Label8, "Label8", Label, "循环值", {}, true},
    {Label9, "Label9", Label, "往复值", {}, true},
    {Label10, "Label10", Label, "每圈分辨率", {}, true},
    {Label11, "Label11", Label, "校验位", {}, true},
    {Label12, "Label12", Label, "齿轮选择", {}, false},
    {Label13, "Label13", Label, "电流上限", {}, true},
    {Label14, "Label14", Label, "电流下限", {}, true},
    {Label15, "Label15", Label, "上限位置", {}, true},
    {Label16, "Label16", Label, "下限位置", {}, true},
    {Label17, "Label17", Label, "当前位置", {}, true},
    {Label18, "Label18", Label, "", {}, true},
    {Label19, "Label19", Label, product::kStatusFail, {}, true},
    {Label20, "Label20", Label, "", {}, true},
    {Text1, "Text1", TextBox, "1", {}, true},
    {Text2, "Text2", TextBox, "4096", {}, true},
    {Text3, "Text3", TextBox, "4096", {}, true},
    {Text4, "Text4", TextBox, "3600", {}, true},
    {Text5, "Text5", TextBox, "3276", {}, true},
    {Text6, "Text6", TextBox, "0", {}, true},
    {Text7, "Text7", TextBox, "4096", {}, true},
    {Text8, "Text8", TextBox, "0", {}, true},
    {Text9, "Text9", TextBox, "0", {}, true},
    {Text10, "Text10", TextBox, "0", {}, true},
    {Combo1, "Combo1", List, "", {}, true},
    {Combo2, "Combo2", List, "115200", Items(kBaudRates), true},
    {Combo3, "Combo3", List, "主动", Items(kProtocols), true},
    {Combo4, "Combo4", List, "多圈", Items(kTurnModes), true},
    {Combo5, "Combo5", List, "往复", Items(kWorkModes), true},
    {Combo6, "Combo6", List, "顺时针", Items(kDirections), true},
    {Combo7, "Combo7", List, "6组", Items(kGears), false},
    {Combo8, "Combo8", List, "无校验", Items(kParities), true},
    {Command1, "Command1", Button, product::kOpenPort, {}, true},
    {Command2, "Command2", Button, "读取参数", {}, true},
    {Command3, "Command3", Button, "保存配置", {}, true},
    {Command4, "Command4", Button, "置位", {}, true},
    {Command5, "Command5", Button, "零位校正", {}, false},
}};

constexpr bool TableFollowsEnum() {
    for (std::size_t i = 0; i < kWidgets.size(); ++i) {
        if (static_cast<std::size_t>(kWidgets[i].widget) != i) {
            return false;
        }
    }
    return true;
}
static_assert(TableFollowsEnum(), "the widget table must list the widgets in enum order");

}  // namespace

std::span<const WidgetDefaults> AllWidgets() {
    return kWidgets;
}

const WidgetDefaults& DefaultsOf(Widget widget) {
    return kWidgets[static_cast<std::size_t>(widget)];
}

std::string_view NameOf(Widget widget) {
    return DefaultsOf(widget).name;
}

std::optional<Widget> WidgetNamed(std::string_view name) {
    for (const auto& w : kWidgets) {
        if (w.name == name) {
            return w.widget;
        }
    }
    return std::nullopt;
}

std::string_view FieldCaption(Widget field) {
    switch (field) {
        case Text1:
            return DefaultsOf(Label7).text;
        case Text2:
            return DefaultsOf(Label8).text;
        case Text3:
            return DefaultsOf(Label9).text;
        case Text4:
            return DefaultsOf(Label10).text;
        case Text5:
            return DefaultsOf(Label13).text;
        case Text6:
            return DefaultsOf(Label14).text;
        case Text7:
            return DefaultsOf(Label15).text;
        case Text8:
            return DefaultsOf(Label16).text;
        case Text9:
            return DefaultsOf(Command4).text;
        case Text10:
            return DefaultsOf(Label17).text;
        case Combo1:
            return DefaultsOf(Label1).text;
        case Combo2:
            return DefaultsOf(Label2).text;
        case Combo3:
            return DefaultsOf(Label3).text;
        case Combo4:
            return DefaultsOf(Label4).text;
        case Combo5:
            return DefaultsOf(Label5).text;
        case Combo6:
            return DefaultsOf(Label6).text;
        case Combo7:
            return DefaultsOf(Label12).text;
        case Combo8:
            return DefaultsOf(Label11).text;
        default:
            return NameOf(field);
    }
}

}  // namespace ui
