// The closed loop with a low gain ("Rép. Ind. en Boucle Fermée (G:faible)", menu item 2): frames
// 1 to 159, the interpretation from frame 131 and the comment panel on the last frame.
#include <gtest/gtest.h>

#include "engine/globals.h"
#include "support/lesson_checks.h"
#include "support/lesson_end_checks.h"
#include "support/pixels.h"
#include "support/window_fixture.h"

using namespace lesson_checks;
using scene_checks::SpriteAt;

namespace {
constexpr int kItem = 2;
}

TEST(LowGain, FirstTwoFramesStartEveryCurveThePenAndTheSpokes) {
    WindowDriver d;
    d.Play(kItem, 1);
    const QImage c = d.Canvas();

    // Vs: the segment (50, 189) to (51, 189), one pixel.
    ExpectSegment(c, 50, 189, 51, 189, clRed);
    EXPECT_EQ(Count(c, QRect(50, 178, 200, 12), clRed), 1);
    // Ve: lead-in along the axis and up to 130, then its first segment.
    ExpectPixels(c, {{45, 190, clGreen}, {50, 131, clGreen}});
    ExpectSegment(c, 50, 130, 51, 130, clGreen);
    // U and V share their lead-in along 289, V drawn last; V starts 60 pixels above its axis.
    ExpectPixels(c, {{45, 289, clBlue}, {49, 240, clBlue}, {49, 230, clBlue}});
    // Omega starts at (51, 385), not joined to its lead-in, which stops before (50, 391) on the
    // vertical axis.
    ExpectPixels(c, {{49, 391, clHighlight}, {50, 391, clBlue}, {51, 385, clHighlight}});
    EXPECT_EQ(Count(c, QRect(51, 386, 1, 4), clHighlight), 0);
    ExpectTexts(c,
                {{60, 110, clGreen, "Ve", "Arial", 10},
                 {80, 160, clRed, "Vs", "Arial", 10},
                 {70, 230, clMaroon, "U=G.V", "Arial", 10},
                 {90, 260, clBlue, "V=Ve - Vs", "Arial", 10},
                 {60, 330, clHighlight, "W", "Symbol", 12},
                 {230, 175, clBlue, "t"},
                 {230, 275, clBlue, "t"},
                 {230, 375, clBlue, "t"}},
                true);

    // Table: the sprite's left edge at 287.
    EXPECT_TRUE(SpriteAt(TableBitmap->Image(), 287, 305));
    // Each pulley: the new green spoke ends at (27, 15); the red one drawn before it at (28, 15)
    // leaves the disc red there.
    for (const TBitmap* pulley : {LeftPulley.get(), RightPulley.get()}) {
        ExpectPixels(pulley->Image(), {{27, 15, clGreen}, {15, 15, clGreen}, {28, 15, clRed}});
        const QRect spoke = scene_checks::GreenOf(*pulley);
        EXPECT_GE(spoke.top(), 13);
        EXPECT_LE(spoke.bottom(), 16);
    }
    // The standard diagram: the feedback arrow reaches the junction.
    EXPECT_EQ(At(d.Fond(), 93, 90), clRed);

    // Frame 2 draws U 40 pixels above the 290 axis, at two thirds of V, 60 pixels above it.
    d.Tick();
    ExpectPixels(d.Canvas(), {{50, 250, clMaroon}, {50, 230, clBlue}});
}

TEST(LowGain, PenAndVsReachTheirFinalPositionAtFrame97) {
    WindowDriver d;
    d.Play(kItem, 96);
    // Vs is one row short of the Ve level; the sprite is not yet at 228.
    EXPECT_EQ(Count(d.Canvas(), QRect(51, 130, 200, 1), clRed), 0);
    EXPECT_EQ(At(d.Canvas(), 145, 131), clRed);
    EXPECT_FALSE(SpriteAt(TableBitmap->Image(), 228, 306 - 96));

    d.Tick(1);  // frame 97
    const QImage c = d.Canvas();
    EXPECT_EQ(At(c, 146, 130), clRed);
    EXPECT_EQ(Count(c, QRect(51, 130, 200, 1), clRed), 1);
    EXPECT_TRUE(SpriteAt(TableBitmap->Image(), 228, 306 - 97));
    // Every curve runs flat from here: V on 289, Omega on 390.
    ExpectPixels(c, {{145, 289, clBlue}, {147, 390, clHighlight}});
}

// (The figures of the last frame itself are in lesson_end::LowGainLastFrame.)
TEST(LowGain, InterpretationFromFrame131AndTheLastFrame) {
    WindowDriver d;
    d.Play(kItem, 130);
    EXPECT_EQ(At(d.Canvas(), 180, 145), clBtnFace);
    ExpectTextsFromFrame131(d, lesson_end::kLowGainOnFond, lesson_end::kLowGainOnCanvas);
    const QImage c = d.Canvas();
    // The markers: vertical stroke, cross centred on the Ve level (resp. the axis), underline.
    ExpectPixels(c, {{180, 120, clBlue},
                     {180, 145, clBlue},
                     {175, 125, clBlue},
                     {175, 135, clBlue},
                     {180, 300, clBlue},
                     {175, 285, clBlue},
                     {175, 295, clBlue}});
    EXPECT_TRUE(All(c, QRect(180, 150, 70, 1), clBlue));
    EXPECT_NE(At(c, 250, 150), clBlue);
    EXPECT_TRUE(All(c, QRect(180, 310, 70, 1), clBlue));

    // Redrawn identically up to the last frame.
    const QImage fond = d.Fond();
    d.Tick(28);  // frame 159
    EXPECT_EQ(Differences(fond, d.Fond(), QRect(0, 0, 449, 297)), 0);
    for (const QRect texts :
         {QRect(190, 135, 50, 14), QRect(190, 295, 50, 14), QRect(10, 405, 330, 50)})
        EXPECT_EQ(Differences(c, d.Canvas(), texts), 0);
    const lesson_end::Problems problems = lesson_end::LowGainLastFrame(d.Client());
    EXPECT_TRUE(problems.empty()) << lesson_end::Describe(problems);

    // No overshoot anywhere: Vs never climbs above the Ve level, V never drops below 289.
    const QImage last = d.Canvas();
    EXPECT_EQ(Count(last, QRect(51, 40, 200, 90), clRed), 0);
    EXPECT_EQ(Count(last, QRect(51, 291, 120, 30), clBlue), 0);
    EXPECT_TRUE(All(last, QRect(186, 130, 23, 1), clRed)) << "flat right of the marker";
    EXPECT_TRUE(All(last, QRect(145, 289, 63, 1), clBlue));
    // After nearly 4 radians the only spoke left points up and to the left of the centre.
    for (const TBitmap* pulley : {LeftPulley.get(), RightPulley.get()}) {
        const QRect spoke = scene_checks::GreenOf(*pulley);
        EXPECT_LE(spoke.left(), 8);
        EXPECT_LE(spoke.top(), 8);
        EXPECT_LE(spoke.right(), 16);
        EXPECT_LE(spoke.bottom(), 16);
    }
    // The paper keeps the whole trace, one row per frame (row 348 - k holds the end of frame
    // k's segment): it moves left only, never past 238, and stays there from frame 97 on.
    const QImage& paper = TableBitmap->Image();
    int previous = 400;
    for (int k = 2; k <= 159; ++k) {
        const QRect row(1, 348 - k, 399, 1);
        if (Count(paper, row, clBlue) > 100) continue;  // a grid line
        const QRect red = Bounds(paper, row, clRed);
        ASSERT_FALSE(red.isEmpty()) << "frame " << k;
        EXPECT_GE(red.left(), 237) << "frame " << k;
        EXPECT_LE(red.right(), previous) << "frame " << k;
        if (k >= 97) {
            EXPECT_EQ(red.right(), 239) << "frame " << k;
        }
        previous = red.right();
    }
    EXPECT_GE(Bounds(paper, QRect(1, 346, 399, 1), clRed).right(), 297);
}
