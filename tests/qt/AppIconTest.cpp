#include "qtwidgets/AppIcon.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QPixmap>

namespace {

// The drawing is on a 32-unit grid: the dial's hub is at (16, 13), its light face 7 units above
// the hub, and the top left corner stays empty.
QPoint OnGrid(double x, double y, int side) {
    return QPoint(static_cast<int>(x * side / 32.0), static_cast<int>(y * side / 32.0));
}

TEST(AppIcon, EverySizeIsTheDialDrawing) {
    const QIcon icon = qtwidgets::AppIcon();
    // The window sizes only: each one is sent to the window system before the window maps.
    EXPECT_EQ(icon.availableSizes(), (QList<QSize>{{16, 16}, {32, 32}, {48, 48}}));
    for (const int side : {16, 32, 48}) {
        SCOPED_TRACE(side);
        ASSERT_TRUE(icon.availableSizes().contains(QSize(side, side)));
        const QImage image = icon.pixmap(QSize(side, side)).toImage();
        ASSERT_EQ(image.size(), QSize(side, side));

        EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0) << "transparent corner";
        const QColor hub = image.pixelColor(OnGrid(16, 13, side));
        EXPECT_EQ(hub.alpha(), 255);
        EXPECT_LT(hub.lightness(), 0x40) << "dark hub";
        const QColor face = image.pixelColor(OnGrid(16, 6, side));
        EXPECT_EQ(face.alpha(), 255);
        EXPECT_GT(face.lightness(), 0xc0) << "light dial face";
    }
}

}  // namespace
