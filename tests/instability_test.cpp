// The instability lesson (menu item 4), as the student sees it: the figures below are the
// lesson's stated values (pixels of the curves, of the pen, of the trace and of the spokes), not
// values recomputed from its law.
#include <gtest/gtest.h>

#include <tuple>

#include "engine/globals.h"
#include "support/lesson_checks.h"
#include "support/pixels.h"
#include "support/window_fixture.h"

using namespace lesson_checks;
using scene_checks::Continuous;
using scene_checks::SpokeBox;
using scene_checks::SpriteAt;

namespace {

constexpr int kItem = 4;

// The interpretation on FOND, "Arial" 8.
const std::vector<Text> kOnFond = {
    {110, 80, clRed, "Même en l'absence de consigne"},
    {110, 90, clRed, "la boucle fermée oscille."},
    {180, 170, clMaroon, "La tension de commande U"},
    {180, 180, clMaroon, "est en opposition de phase"},
    {180, 190, clMaroon, "avec Vs. Sa saturation limite"},
    {180, 200, clMaroon, "les variations en amplitude de Vs"},
    {240, 240, clHighlight, "La vitesse du moteur"},
    {240, 250, clHighlight, "varie, elle aussi"},
    {240, 260, clHighlight, "de façon sinusoïdale."},
};

// The saturation labels on the window's canvas, "Arial" 10.
const std::vector<Text> kOnCanvas = {
    {215, 235, clBlack, "+Usat", "Arial", 10},
    {215, 335, clBlack, "-Usat", "Arial", 10},
};

}  // namespace

TEST(Instability, FirstFrame) {
    WindowDriver d;
    d.Play(kItem, 1);
    const QImage c = d.Canvas();
    // Vs: (50,192)-(51,194); U: (50,286)-(51,282), upwards, in opposition to Vs.
    ExpectSteepSegment(c, 50, 192, 194, clRed);
    ExpectSteepSegment(c, 50, 286, 282, clMaroon);
    // No lead-in strokes, no Ve curve: nothing green but the label.
    EXPECT_EQ(Count(c, QRect(0, 120, 340, 340), clGreen), 0);
    ExpectPixels(c, {{45, 190, clBlue}, {45, 290, clBlue}});
    // Time axes at 190 and 290 (none at 350), the vertical axis from 50 down to 350.
    ExpectPixels(c, {{240, 190, clBlue},
                     {240, 290, clBlue},
                     {240, 350, clBtnFace},
                     {50, 349, clBlue},
                     {50, 350, clBtnFace}});
    ExpectTexts(c,
                {{60, 90, clGreen, "Ve=0", "Arial", 10},
                 {75, 160, clRed, "Vs", "Arial", 10},
                 {80, 300, clMaroon, "U", "Arial", 10},
                 {230, 175, clBlue, "t"},
                 {230, 275, clBlue, "t"}},
                true);

    // The pen sprite's left edge at 190 = X - 9.
    EXPECT_TRUE(SpriteAt(TableBitmap->Image(), 190, 305));
    // The spokes run one step ahead: the red one erased ends at (27, 13), the green one drawn
    // ends at (27, 12).
    ExpectSpokes(SpokeBox(27, 12));
}

TEST(Instability, Extremes) {
    WindowDriver d;
    d.Play(kItem, 20);
    // Vs at its lowest on screen (219), U on the +Usat level (240), in the same column.
    QImage c = d.Canvas();
    ExpectPixels(c, {{69, 219, clRed}, {69, 240, clMaroon}});
    // The pen at its right end: the trace of this frame starts at 226 (the previous segment's
    // visible lower end, on row 349 - k, reaches one pixel further).
    EXPECT_EQ(Bounds(TableBitmap->Image(), QRect(150, 349 - 20, 100, 1), clRed).right(), 226 + 1);
    EXPECT_TRUE(SpriteAt(TableBitmap->Image(), 226 - 9, 306 - 20));
    // Both spokes end at (22, 4); the earlier ones have been erased.
    ExpectSpokes(SpokeBox(22, 4));

    d.Tick(39);  // k = 59
    c = d.Canvas();
    ExpectPixels(c, {{108, 160, clRed}, {108, 339, clMaroon}});
    EXPECT_EQ(Bounds(TableBitmap->Image(), QRect(150, 349 - 59, 100, 1), clRed).right(), 167 + 1);
    EXPECT_TRUE(SpriteAt(TableBitmap->Image(), 167 - 9, 306 - 59));
    ExpectSpokes(SpokeBox(22, 25));

    // Up to the interpretation (which draws the saturation lines over U), Vs has stayed between
    // 160 and 219 and U between 240 and 339, each one unbroken line. Both cross their axes every
    // half period (columns 88, 127, 166), where the axis drawn again on every frame covers them.
    d.Tick(71);  // k = 130
    c = d.Canvas();
    const QRect vs = Bounds(c, QRect(51, 100, 160, 150), clRed);
    const QRect u = Bounds(c, QRect(51, 200, 160, 180), clMaroon);
    EXPECT_EQ(std::pair(vs.top(), vs.bottom()), std::pair(160, 219));
    EXPECT_EQ(std::pair(u.top(), u.bottom()), std::pair(240, 339));
    EXPECT_EQ(Count(c, QRect(0, 340, 340, 120), clMaroon), 0);
    const std::tuple<TColor, int, int> runs[] = {{clRed, 51, 88},    {clRed, 89, 127},
                                                 {clRed, 128, 166},  {clRed, 167, 178},
                                                 {clMaroon, 51, 88}, {clMaroon, 89, 126}};
    for (const auto& [colour, from, to] : runs)
        EXPECT_TRUE(Continuous(c, colour, from, to)) << from << " to " << to;
}

TEST(Instability, InterpretationFromFrame131AndLastFrame) {
    WindowDriver d;
    d.Play(kItem, 130);
    EXPECT_EQ(Count(d.Canvas(), QRect(50, 240, 160, 1), clBlack), 0);
    EXPECT_EQ(Count(d.Canvas(), QRect(50, 340, 160, 1), clBlack), 0);
    ExpectTextsFromFrame131(d, kOnFond, kOnCanvas);
    QImage c = d.Canvas();
    // The saturation levels from x 50 to 210 (its end left out), over the U curve.
    EXPECT_TRUE(All(c, QRect(50, 240, 160, 1), clBlack));
    EXPECT_TRUE(All(c, QRect(50, 340, 160, 1), clBlack));
    ExpectPixels(c, {{210, 240, clBtnFace}, {210, 340, clBtnFace}});

    d.Tick(28);  // k = 159
    c = d.Canvas();
    // Vs (208,194)-(209,196) and U (208,282)-(209,278).
    ExpectSteepSegment(c, 208, 194, 196, clRed);
    ExpectSteepSegment(c, 208, 282, 278, clMaroon);
    // Their end points are left out: U reaches into column 209 one row short of 278, and the
    // Vs segment, only two rows high, stays in column 208.
    EXPECT_EQ(Hex(At(c, 209, 279)), Hex(clMaroon));
    EXPECT_EQ(Count(c, QRect(209, 150, 1, 100), clRed), 0);
    EXPECT_EQ(Count(c, QRect(210, 150, 30, 250), clMaroon), 0);
    // The pen: the trace goes from (201, 188) to (204, 189); only its lower end stays visible
    // (204 itself is under a grid line), and the previous frame's ends on row 190 one pixel
    // right of 201. Sprite edge at 192.
    EXPECT_EQ(Bounds(TableBitmap->Image(), QRect(150, 189, 100, 1), clRed).right(), 203);
    EXPECT_EQ(Hex(At(TableBitmap->Image(), 204, 189)), Hex(clBlue));
    EXPECT_EQ(Bounds(TableBitmap->Image(), QRect(150, 190, 100, 1), clRed).right(), 201 + 1);
    EXPECT_TRUE(SpriteAt(TableBitmap->Image(), 192, 306 - 159));
    ExpectTexts(d.Fond(), kOnFond, true);
    ExpectTexts(c, kOnCanvas, true);
}
