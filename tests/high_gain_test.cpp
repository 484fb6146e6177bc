// The closed-loop, high-gain lesson (menu item 3), as the student sees it: the figures below are
// the lesson's stated values (pixels of the curves, of the pen and of the trace), not values
// recomputed from its law.
#include <gtest/gtest.h>

#include "engine/globals.h"
#include "support/lesson_checks.h"
#include "support/lesson_end_checks.h"
#include "support/pixels.h"
#include "support/window_fixture.h"

using namespace lesson_checks;
using scene_checks::Continuous;
using scene_checks::SpokeBox;
using scene_checks::SpriteAt;

namespace {
constexpr int kItem = 3;
}

TEST(HighGain, FirstFrame) {
    WindowDriver d;
    d.Play(kItem, 1);
    const QImage c = d.Canvas();
    // Vs: (50,189)-(51,189); the end point is the next frame's.
    ExpectPixels(c, {{50, 189, clRed}, {51, 189, clBtnFace}});
    // U: (50,253)-(51,253), joined to its lead-in, which climbs from (50,350); the axis above it.
    ExpectPixels(c, {{50, 253, clMaroon},
                     {50, 300, clMaroon},
                     {45, 350, clMaroon},
                     {51, 253, clBtnFace},
                     {50, 252, clBlue}});
    // Ve: its lead-in along the 190 axis and up column 50, then the step at 130.
    ExpectPixels(
        c, {{45, 190, clGreen}, {50, 150, clGreen}, {50, 130, clGreen}, {51, 130, clBtnFace}});
    // Two time axes (190 and 350) and a vertical axis from 50 to 350.
    ExpectPixels(c, {{240, 190, clBlue},
                     {240, 350, clBlue},
                     {240, 290, clBtnFace},
                     {50, 60, clBlue},
                     {50, 351, clBtnFace}});
    ExpectTexts(c,
                {{60, 110, clGreen, "Ve", "Arial", 10},
                 {80, 160, clRed, "Vs", "Arial", 10},
                 {80, 300, clMaroon, "U", "Arial", 10},
                 {230, 175, clBlue, "t"},
                 {230, 335, clBlue, "t"}},
                true);

    // The pen sprite's left edge at 287, on row 306 - 1.
    EXPECT_TRUE(SpriteAt(TableBitmap->Image(), 287, 305));
    // Both spokes lie almost flat, to the right (4 y(1) = 0.07 rad): end (27, 15).
    ExpectSpokes(SpokeBox(27, 15));
}

TEST(HighGain, Overshoot) {
    WindowDriver d;
    d.Play(kItem, 47);
    // U first reaches its axis at k = 47: the segment of that frame starts on (96, 350).
    QImage c = d.Canvas();
    EXPECT_EQ(Hex(At(c, 96, 350)), Hex(clMaroon));
    EXPECT_EQ(Bounds(c, QRect(51, 300, 45, 60), clMaroon).bottom(), 349);
    // Vs is not yet on the Ve level.
    EXPECT_EQ(Hex(At(c, 96, 131)), Hex(clRed));
    EXPECT_EQ(Count(c, QRect(50, 100, 47, 31), clRed), 0);

    d.Tick(1);  // k = 48: Vs first reaches y 130
    c = d.Canvas();
    EXPECT_EQ(Hex(At(c, 97, 130)), Hex(clRed));
    // The axis is drawn again before the curves: U's pixel of the previous frame is gone.
    EXPECT_EQ(Hex(At(c, 96, 350)), Hex(clBlue));

    d.Tick(25);  // k = 73, the peak
    c = d.Canvas();
    ExpectPixels(c, {{122, 120, clRed}, {123, 120, clBtnFace}, {122, 369, clMaroon}});
    // The pen has swung out to 228: sprite edge at 218. Of each trace segment only the lower end
    // stays visible (the paper's top row covers the rest): the previous frame's ends on row
    // 349 - k, one pixel right of where this frame's starts.
    EXPECT_TRUE(SpriteAt(TableBitmap->Image(), 218, 306 - 73));
    EXPECT_EQ(Bounds(TableBitmap->Image(), QRect(200, 349 - 73, 60, 1), clRed).right(), 228 + 1);
    // The spokes point up: 4 x 1.1603 = 4.64 rad, end (14, 2).
    EXPECT_EQ(scene_checks::GreenOf(*LeftPulley), SpokeBox(14, 2));

    // FOND on the next frame shows this tick's table bitmap at (32, k + 3), below the diagram.
    const QRect shown(2, 297 - 73 + 2, 393, 496 - (297 - 73 + 2));
    const QImage built = TableBitmap->Image().copy(shown);
    d.Tick(1);
    EXPECT_EQ(Differences(built, d.Fond().copy(shown.translated(32, 76))), 0);
}

TEST(HighGain, InterpretationFromFrame131AndLastFrame) {
    WindowDriver d;
    d.Play(kItem, 130);
    QImage c = d.Canvas();
    // Each frame's segment joins the previous one (before the markers cut the curves).
    // (U crosses its axis in column 96, where the axis drawn on every frame covers it.)
    EXPECT_TRUE(Continuous(c, clRed, 51, 178));
    EXPECT_TRUE(Continuous(c, clMaroon, 50, 95));
    EXPECT_TRUE(Continuous(c, clMaroon, 97, 178));
    // No peak-time line, no error marker yet.
    ExpectPixels(c, {{122, 150, clBtnFace}, {180, 115, clBtnFace}});

    ExpectTextsFromFrame131(d, lesson_end::kHighGainOnFond, lesson_end::kHighGainOnCanvas);
    c = d.Canvas();
    // Error marker (blue): vertical stroke, cross on (180, 130), line under the label.
    ExpectPixels(c, {{180, 112, clBlue},
                     {180, 139, clBlue},
                     {180, 140, clBtnFace},
                     {176, 126, clBlue},
                     {176, 134, clBlue},
                     {249, 110, clBlue}});
    // Peak markers (black): peak-time line, leader, tp arrow and the overshoot heads.
    ExpectPixels(c, {{122, 100, clBlack},
                     {122, 209, clBlack},
                     {122, 210, clBtnFace},
                     {149, 90, clBlack},
                     {150, 90, clBtnFace},
                     {80, 200, clBlack},
                     {53, 197, clBlack},
                     {53, 203, clBlack},
                     {119, 197, clBlack},
                     {119, 203, clBlack},
                     {118, 116, clBlack},
                     {126, 116, clBlack},
                     {118, 134, clBlack},
                     {126, 134, clBlack}});

    // The last frame, k = 159: the curves, markers, texts, pen, trace and button on screen.
    d.Tick(28);
    const lesson_end::Problems problems = lesson_end::HighGainLastFrame(d.Client());
    EXPECT_TRUE(problems.empty()) << lesson_end::Describe(problems);
    c = d.Canvas();
    // Under the error marker's cross, Vs runs at 131, not on the Ve level.
    EXPECT_EQ(Hex(At(c, 183, 130)), Hex(clGreen));
    // U, with its lead-in from x 40, down to 369 and nowhere else on the canvas.
    EXPECT_EQ(Bounds(c, QRect(0, 40, 340, 420), clMaroon),
              QRect(QPoint(40, 253), QPoint(208, 369)));
    // The pen: sprite edge 229; the trace starts at 239 (the previous segment ends at 240).
    EXPECT_TRUE(SpriteAt(TableBitmap->Image(), 229, 306 - 159));
    EXPECT_EQ(Bounds(TableBitmap->Image(), QRect(200, 349 - 159, 60, 1), clRed).right(), 239 + 1);
}
