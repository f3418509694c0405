#include "ui/Placement.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

using enum ui::Widget;
using ui::Widget;

const ui::Placement& At(Widget w) {
    return ui::PlacementOf(w);
}

TEST(Placement, TabOrderVisitsTheFocusableWidgetsInTheirOrder) {
    const std::vector<Widget> expected{Combo1,   Command1, Combo2,   Text1,  Text2,   Combo3,
                                       Combo4,   Combo5,   Combo6,   Combo7, Text3,   Text4,
                                       Text5,    Text6,    Text7,    Text8,  Text9,   Command2,
                                       Command3, Text10,   Command4, Combo8, Command5};
    EXPECT_EQ(ui::TabOrder(), expected);
}

TEST(Placement, EveryWidgetLiesInsideTheClientArea) {
    for (const ui::Placement& p : ui::AllPlacements()) {
        EXPECT_LE(p.left + p.width, ui::kClientWidthTwips) << ui::NameOf(p.widget);
        EXPECT_LE(p.top + p.height, ui::kClientHeightTwips) << ui::NameOf(p.widget);
    }
    EXPECT_EQ(ui::TwipsToPixels(ui::kClientWidthTwips, ui::kStandardDpi), 977);
    EXPECT_EQ(ui::TwipsToPixels(ui::kClientHeightTwips, ui::kStandardDpi), 623);
}

// To the nearest pixel, a half away from zero, as Windows' MulDiv rounds.
TEST(Placement, TwipsAndPointsToPixelsAtOtherDpis) {
    struct Case {
        int twips, dpi, pixels;
    };
    for (const Case c : {Case{7, 96, 0}, Case{8, 96, 1}, Case{-8, 96, -1}, Case{14655, 120, 1221},
                         Case{14655, 144, 1466}, Case{-15, 48, -1}}) {
        EXPECT_EQ(ui::TwipsToPixels(c.twips, c.dpi), c.pixels) << c.twips << " at " << c.dpi;
    }
    EXPECT_EQ(ui::FaceOf(ui::FontVariant::LargeBold).PixelSize(144), 44);  // 43.5 px
}

// The two columns of fields: seven rows 840 twips apart from Top 1320, the middle column's
// fields at Left 6240 and the right column's at 11280, each with its caption label on the same
// row, ending left of it.
TEST(Placement, FieldsStandInTwoColumnsWithTheirCaptionsToTheLeft) {
    struct Row {
        Widget middleLabel, middleField, rightLabel, rightField;
    };
    const Row rows[] = {
        {Label7, Text1, Label8, Text2},    {Label2, Combo2, Label9, Text3},
        {Label11, Combo8, Label10, Text4}, {Label3, Combo3, Label13, Text5},
        {Label4, Combo4, Label14, Text6},  {Label5, Combo5, Label15, Text7},
        {Label6, Combo6, Label16, Text8},
    };
    int top = 1320;
    for (const Row& row : rows) {
        for (auto [label, field, left] : {std::tuple{row.middleLabel, row.middleField, 6240},
                                          std::tuple{row.rightLabel, row.rightField, 11280}}) {
            SCOPED_TRACE(ui::NameOf(field));
            EXPECT_EQ(ui::DefaultsOf(label).text, ui::FieldCaption(field));
            EXPECT_EQ(At(field).left, left);
            EXPECT_EQ(At(field).top, top);
            EXPECT_EQ(At(label).top, top);
            EXPECT_LT(At(label).left + At(label).width, At(field).left);
        }
        top += 840;
    }
}

TEST(Placement, FontSizesInPixelsAt96DotsPerInch) {
    struct Case {
        ui::FontVariant variant;
        int pixels;
        bool bold;
    };
    const Case cases[] = {
        {ui::FontVariant::SmallBold, 21, true},  // 15.75 pt
        {ui::FontVariant::SmallRegular, 21, false},
        {ui::FontVariant::MediumBold, 24, true},  // 18 pt
        {ui::FontVariant::LargeBold, 29, true},   // 21.75 pt
        {ui::FontVariant::LargeRegular, 29, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ui::FaceOf(c.variant).PixelSize(), c.pixels);
        EXPECT_EQ(ui::FaceOf(c.variant).bold, c.bold);
    }
}

}  // namespace
