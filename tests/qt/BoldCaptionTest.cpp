// The bold captions are bold at every scale of the screen. ctest runs this suite at 100 %, 150 %
// and 200 % (QT_SCALE_FACTOR): at 100 % the font engine's emboldening doubles the ink of a Song
// face's thin strokes, and the captions must keep about that weight when the strokes are scaled.
#include <gtest/gtest.h>

#include <QFont>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "qtwidgets/Form1Window.h"
#include "ui/Placement.h"

namespace {

using ui::Widget;
using ui::WidgetKind;

// The darkness the widget's caption adds to its picture, in whole black pixels.
double InkOf(QWidget* w, const QString& caption) {
    const auto pictureWith = [w](const QString& text) {
        if (auto* label = qobject_cast<QLabel*>(w)) {
            label->setText(text);
        } else {
            static_cast<QPushButton*>(w)->setText(text);
        }
        return w->grab().toImage().convertToFormat(QImage::Format_Grayscale8);
    };
    const QImage blank = pictureWith(QString());
    const QImage written = pictureWith(caption);
    double ink = 0;
    for (int y = 0; y < written.height(); ++y) {
        const uchar* a = blank.constScanLine(y);
        const uchar* b = written.constScanLine(y);
        for (int x = 0; x < written.width(); ++x) {
            ink += std::abs(a[x] - b[x]) / 255.0;
        }
    }
    return ink;
}

TEST(BoldCaptions, CarryAboutTwiceTheInkOfRegularOnesAtThisScale) {
    qtwidgets::Form1Window window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    int checked = 0;
    for (const ui::Placement& p : ui::AllPlacements()) {
        const ui::WidgetDefaults& d = ui::DefaultsOf(p.widget);
        if (!ui::FaceOf(p.font).bold || !d.visible || d.text.empty()) {
            continue;
        }
        ASSERT_TRUE(d.kind == WidgetKind::Label || d.kind == WidgetKind::Button);
        QWidget* w = window.QtWidget(p.widget);
        const QString caption = QString::fromUtf8(d.text.data(), std::ssize(d.text));
        const QFont bold = w->font();
        ASSERT_TRUE(bold.bold()) << ui::NameOf(p.widget);
        const double boldInk = InkOf(w, caption);
        QFont regular = bold;
        regular.setWeight(QFont::Normal);
        w->setFont(regular);
        const double regularInk = InkOf(w, caption);
        w->setFont(bold);

        ASSERT_GT(regularInk, 0) << ui::NameOf(p.widget);
        EXPECT_GE(boldInk / regularInk, 1.8)
            << ui::NameOf(p.widget) << " \"" << d.text << "\" at scale "
            << window.devicePixelRatioF() << ": bold " << boldInk << ", regular " << regularInk;
        ++checked;
    }
    EXPECT_GE(checked, 20);
}

}  // namespace
