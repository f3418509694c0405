#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "ui/Widget.h"

namespace ui {

// Placement is in twips: 1440 make an inch and 20 a point, so at 96 dots per inch 15 twips make
// one pixel. Left and Top count from the top-left corner of the window's client area.
inline constexpr int kTwipsPerPixel = 15;
inline constexpr int kClientWidthTwips = 14655;  // 977 px
inline constexpr int kClientHeightTwips = 9345;  // 623 px

constexpr int TwipsToPixels(int twips) {
    return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

// The five faces of the font "宋体" (SimSun) that the window uses.
enum class FontVariant : std::uint8_t {
    SmallBold,
    SmallRegular,
    MediumBold,
    LargeBold,
    LargeRegular
};

struct FontFace {
    int hundredthsOfPoint;  // 1575 is 15.75 pt
    bool bold;
    // The size in pixels at 96 dots per inch: points x 96 / 72, so 15.75 pt is 21 px.
    constexpr int PixelSize() const { return (hundredthsOfPoint * 96 + 3600) / 7200; }
};

FontFace FaceOf(FontVariant variant);

// Where a widget with a face stands, how large it is, its font, and its place in the tab order.
struct Placement {
    Widget widget;
    int left;
    int top;
    int width;
    int height;
    FontVariant font;
    int tabIndex;
};

// Every widget except the window itself, in the order of the Widget enum.
std::span<const Placement> AllPlacements();
const Placement& PlacementOf(Widget widget);

// The widgets in ascending tab index, labels left out since they never take the focus. Hidden
// and disabled ones stay in: the toolkit skips them as it goes.
std::vector<Widget> TabOrder();

}  // namespace ui
