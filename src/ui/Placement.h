#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "ui/Widget.h"

namespace ui {

// Placement is in twips: 1440 make an inch and 20 a point, so at 96 dots per inch 15 twips make
// one pixel. Left and Top count from the top-left corner of the window's client area.
inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kClientWidthTwips = 14655;  // 977 px
inline constexpr int kClientHeightTwips = 9345;  // 623 px

// The window as drawn at 100 %. Qt's pixels are always these; Windows' follow the screen's DPI.
inline constexpr int kStandardDpi = 96;

// value x dpi / perInch, rounded half away from zero as Windows' MulDiv rounds, so that both
// toolkits put every edge on the same pixel.
constexpr int ScaleToDpi(int value, int dpi, int perInch) {
    const long long scaled = static_cast<long long>(value) * dpi;
    const long long half = perInch / 2;
    return static_cast<int>((scaled < 0 ? scaled - half : scaled + half) / perInch);
}

constexpr int TwipsToPixels(int twips, int dpi) {
    return ScaleToDpi(twips, dpi, kTwipsPerInch);
}

// Every widget's face, whatever its size; where a system lacks it, each toolkit finds a substitute
// its own way.
inline constexpr std::string_view kFaceName = "宋体";  // SimSun

// The five fonts of the face that the window uses.
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
    // The size in pixels: points x dpi / 72, so 15.75 pt is 21 px at 96 dots per inch.
    constexpr int PixelSize(int dpi = kStandardDpi) const {
        return ScaleToDpi(hundredthsOfPoint, dpi, 72 * 100);
    }
};

FontFace FaceOf(FontVariant variant);

// Where a line of text stands across its box. Labels and text boxes follow it; buttons always
// centre theirs and lists start theirs at the left, as their rows say.
enum class Align : std::uint8_t { Left, Centre };

// Where a widget with a face stands, how large it is, its font, its place in the tab order, how it
// aligns its text, and, for a list, whether a text too long for it shows its end, not its start.
struct Placement {
    Widget widget;
    int left;
    int top;
    int width;
    int height;
    FontVariant font;
    int tabIndex;
    Align align;
    bool showsEnd;
};

// Every widget except the window itself, in the order of the Widget enum.
std::span<const Placement> AllPlacements();
const Placement& PlacementOf(Widget widget);

// The widgets in ascending tab index, labels left out since they never take the focus. Hidden
// and disabled ones stay in: the toolkit skips them as it goes.
std::vector<Widget> TabOrder();

}  // namespace ui
