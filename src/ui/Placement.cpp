#include "ui/Placement.h"

#include <algorithm>
#include <array>
#include <cassert>

namespace ui {
namespace {

using enum Widget;
using enum FontVariant;
using enum Align;

constexpr std::size_t kPlacedCount = kWidgetCount - 1;  // all but Form1

// clang-format off
constexpr std::array<Placement, kPlacedCount> kPlacements{{
    //          Left   Top  Width  Height  Font          Tab  Align   End
    {Label1,     360,  1320,  1215,  495,  SmallBold,     1, Left,   false},
    {Label2,    3480,  2160,  2415,  495,  LargeBold,    18, Left,   false},
    {Label3,    3960,  3840,  1935,  495,  LargeBold,    19, Left,   false},
    {Label4,    3960,  4680,  1935,  495,  LargeBold,    20, Left,   false},
    {Label5,    3960,  5520,  1935,  495,  LargeBold,    21, Left,   false},
    {Label6,    3960,  6360,  1935,  495,  LargeBold,    22, Left,   false},
    {Label7,    3840,  1320,  1815,  495,  LargeBold,    23, Left,   false},
    {Label8,    9480,  1320,  1575,  495,  LargeBold,    24, Left,   false},
    {Label9,    9480,  2160,  1575,  495,  LargeBold,    25, Left,   false},
    {Label10,   8640,  3000,  2415,  495,  LargeBold,    26, Left,   false},
    {Label11,   4320,  3000,  1575,  495,  LargeBold,    38, Left,   false},
    {Label12,  10560,  7200,  1815,  495,  LargeBold,    27, Left,   false},
    {Label13,   9000,  3840,  2055,  495,  LargeBold,    28, Left,   false},
    {Label14,   9000,  4680,  1935,  495,  LargeBold,    29, Left,   false},
    {Label15,   9000,  5520,  1815,  495,  LargeBold,    30, Left,   false},
    {Label16,   9000,  6360,  1815,  495,  LargeBold,    31, Left,   false},
    {Label17,   3720,  7440,  2175,  495,  LargeBold,    35, Left,   false},
    {Label18,    360,   480,  7455,  495,  SmallBold,    36, Left,   false},
    {Label19,    840,  5880,  1815,  855,  MediumBold,   41, Centre, false},
    {Label20,    840,  5400,  1935,  375,  MediumBold,   42, Centre, false},
    {Text1,     6240,  1320,  1695,  555,  LargeRegular,  4, Left,   false},
    {Text2,    11280,  1320,  2415,  555,  LargeRegular,  5, Left,   false},
    {Text3,    11280,  2160,  2415,  555,  LargeRegular, 11, Left,   false},
    {Text4,    11280,  3000,  2415,  555,  LargeRegular, 12, Left,   false},
    {Text5,    11280,  3840,  2415,  555,  LargeRegular, 13, Left,   false},
    {Text6,    11280,  4680,  2415,  555,  LargeRegular, 14, Left,   false},
    {Text7,    11280,  5520,  2415,  555,  LargeRegular, 15, Left,   false},
    {Text8,    11280,  6360,  2415,  555,  LargeRegular, 16, Left,   false},
    {Text9,     6240,  8400,  4335,  495,  LargeRegular, 17, Left,   false},
    {Text10,    6240,  7440,  4335,  555,  LargeRegular, 34, Left,   false},
    {Combo1,    1680,  1320,  1575,  435,  SmallRegular,  0, Left,   true},
    {Combo2,    6240,  2160,  1695,  555,  LargeRegular,  3, Left,   false},
    {Combo3,    6240,  3840,  1695,  555,  LargeRegular,  6, Left,   false},
    {Combo4,    6240,  4680,  1695,  555,  LargeRegular,  7, Left,   false},
    {Combo5,    6240,  5520,  1695,  555,  LargeRegular,  8, Left,   false},
    {Combo6,    6240,  6360,  1695,  555,  LargeRegular,  9, Left,   false},
    {Combo7,   12840,  7200,  1695,  555,  LargeRegular, 10, Left,   false},
    {Combo8,    6240,  3000,  1695,  555,  LargeRegular, 39, Left,   false},
    {Command1,   840,  2160,  1935,  855,  MediumBold,    2, Centre, false},
    {Command2,   840,  3360,  1935,  855,  MediumBold,   32, Centre, false},
    {Command3,   840,  4560,  1935,  735,  MediumBold,   33, Centre, false},
    {Command4,  3720,  8400,  1935,  615,  LargeBold,    37, Centre, false},
    {Command5,   840,  7680,  1935,  615,  MediumBold,   40, Centre, false},
}};
// clang-format on

constexpr bool TableFollowsEnum() {
    for (std::size_t i = 0; i < kPlacements.size(); ++i) {
        if (static_cast<std::size_t>(kPlacements[i].widget) != i + 1) {
            return false;
        }
    }
    return true;
}
static_assert(TableFollowsEnum(), "the placement table must list the widgets in enum order");

}  // namespace

FontFace FaceOf(FontVariant variant) {
    switch (variant) {
        case SmallBold:
            return {1575, true};
        case SmallRegular:
            return {1575, false};
        case MediumBold:
            return {1800, true};
        case LargeBold:
            return {2175, true};
        case LargeRegular:
            return {2175, false};
    }
    return {1575, false};
}

std::span<const Placement> AllPlacements() {
    return kPlacements;
}

const Placement& PlacementOf(Widget widget) {
    assert(widget != Form1);
    return kPlacements[static_cast<std::size_t>(widget) - 1];
}

std::vector<Widget> TabOrder() {
    std::vector<Placement> focusable;
    for (const Placement& p : kPlacements) {
        if (DefaultsOf(p.widget).kind != WidgetKind::Label) {
            focusable.push_back(p);
        }
    }
    std::ranges::sort(focusable, {}, &Placement::tabIndex);
    std::vector<Widget> order;
    order.reserve(focusable.size());
    for (const Placement& p : focusable) {
        order.push_back(p.widget);
    }
    return order;
}

}  // namespace ui
