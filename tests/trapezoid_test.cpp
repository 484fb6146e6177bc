// The trapezoidal-response lesson (menu item 5): what the student sees on the chart, on the paper
// and on the pulleys, frame by frame, and how the simulated output carries over between runs.
#include <gtest/gtest.h>

#include "engine/globals.h"
#include "support/lesson_checks.h"
#include "support/pixels.h"
#include "support/window_fixture.h"

using namespace lesson_checks;
using scene_checks::SpriteLeft;

namespace {

constexpr int kItem = 5;

// The columns that the colour covers on one row of an image, between x0 and x1.
QRect RowSpan(const QImage& image, int y, TColor colour, int x0 = 0, int x1 = 10000) {
    return Bounds(image, QRect(QPoint(x0, y), QPoint(x1, y)), colour);
}

}  // namespace

TEST(Trapezoid, FirstFrameFromRest) {
    WindowDriver d;
    d.Play(kItem, 1);
    const QImage chart = d.Canvas();

    // Ve: the lead-in along the axis, then (50,190) to (51,188); Vs stays on the axis and its
    // segment (50,190)-(51,190), drawn after Ve, covers Ve's first pixel.
    EXPECT_TRUE(All(chart, QRect(40, 190, 10, 1), clGreen));
    ExpectSegment(chart, 50, 189, 51, 188, clGreen);
    // The time axis under Vs's segment: the segment's end is left out.
    ExpectPixels(chart, {{50, 190, clRed}, {51, 190, clBlue}});
    EXPECT_EQ(
        Count(chart, QRect(0, 40, 340, 420), clRed) - Count(chart, QRect(75, 160, 25, 20), clRed),
        1);  // one red pixel of curve besides the "Vs" label

    // The trace (197,346)-(198,347) lies over the paper's white top row.
    EXPECT_EQ(RowSpan(TableBitmap->Image(), 346, clRed, 100, 396), QRect(196, 346, 3, 1));
    EXPECT_EQ(At(TableBitmap->Image(), 198, 347), clRed);
    EXPECT_EQ(SpriteLeft(305), 187);
    ExpectSpokes(QRect(14, 14, 15, 2));
}

TEST(Trapezoid, RisingRampPlateauAndFallingRamp) {
    WindowDriver d;
    d.Play(kItem, 39);
    QImage chart = d.Canvas();
    // Ve reaches the plateau: (88,114) to (89,112); Vs (88,125) to (89,123) (66.01).
    ExpectSegment(chart, 88, 114, 89, 112, clGreen);
    ExpectSegment(chart, 88, 125, 89, 123, clRed);
    EXPECT_NE(At(chart, 89, 124), clRed);

    d.Tick(1);
    chart = d.Canvas();
    // Frame 40 measures Vs from 191: its segment starts one pixel below frame 39's end.
    EXPECT_EQ(At(chart, 89, 124), clRed);
    ExpectSegment(chart, 89, 112, 90, 112, clGreen);

    d.Tick(59);  // frame 99
    chart = d.Canvas();
    // Vs has settled at 77.9998, drawn one pixel under the Ve line.
    EXPECT_TRUE(All(chart, QRect(100, 112, 49, 1), clGreen));
    EXPECT_TRUE(All(chart, QRect(120, 113, 29, 1), clRed));
    // Frame 99's trace is vertical at x 119 (base 197), over the paper's top row 248.
    EXPECT_EQ(RowSpan(TableBitmap->Image(), 248, clRed, 100, 396), QRect(118, 248, 2, 1));
    EXPECT_EQ(SpriteLeft(207), 109);

    d.Tick(1);
    chart = d.Canvas();
    // Frame 100 starts the falling ramp: Ve (149,112)-(150,114); the trace goes to x 120.
    ExpectSegment(chart, 149, 112, 150, 114, clGreen);
    EXPECT_EQ(At(chart, 149, 113), clRed);
    EXPECT_EQ(RowSpan(TableBitmap->Image(), 247, clRed, 100, 396), QRect(118, 247, 3, 1));

    d.Tick(26);  // frame 126
    chart = d.Canvas();
    // At x 175 (the end of frame 125) Vs is at y 153 and Ve at y 164: the gap that the
    // velocity-error marker shows.
    ExpectPixels(chart, {{175, 153, clRed}, {175, 164, clGreen}});
    EXPECT_EQ(Count(chart, QRect(175, 156, 1, 30), clRed), 0);
    EXPECT_EQ(Count(chart, QRect(175, 140, 1, 23), clGreen), 0);
}

TEST(Trapezoid, ConclusionsFromFrame131ThenTheEndOfTheFallingRamp) {
    WindowDriver d;
    d.Play(kItem, 130);
    const QImage chart130 = d.Canvas();
    // Two red lines over the block diagram, and the texts by the markers and under the chart.
    const std::vector<Text> onFond = {
        {110, 80, clRed, "La tension Vs suit la consigne Ve"},
        {110, 90, clRed, "avec un peu de retard sur la rampe."},
    };
    const std::vector<Text> onCanvas = {
        {135, 220, clBlack, "erreur de vitesse = a/k", "Arial", 10},
        {135, 240, clBlack, "a=pente de la rampe", "Arial", 10},
        {85, 75, clBlack, "erreur de position=0", "Arial", 10},
        {60, 300, clBlack, "Le gain G est choisi de façon à ce que", "Arial", 10},
        {60, 315, clBlack, "l'amortissement : Z=1 en boucle fermée", "Arial", 10},
        {60, 330, clBlack, "(pas de dépassement mais il subsiste", "Arial", 10},
        {60, 345, clBlack, "une erreur de vitesse).", "Arial", 10},
    };
    ExpectTextsFromFrame131(d, onFond, onCanvas);
    const QImage chart131 = d.Canvas();
    const QImage fond131 = d.Fond();
    // The markers, in black.
    for (QPoint p : {QPoint(175, 180), QPoint(150, 210), QPoint(175, 153), QPoint(175, 165),
                     QPoint(130, 100), QPoint(100, 90), QPoint(130, 112), QPoint(123, 105)}) {
        EXPECT_NE(At(chart130, p.x(), p.y()), clBlack) << p.x() << "," << p.y();
        EXPECT_EQ(At(chart131, p.x(), p.y()), clBlack) << p.x() << "," << p.y();
    }

    d.Tick(7);
    // Frame 138: Ve (187,188) to (188,190), where it reaches the axis.
    QImage chart = d.Canvas();
    ExpectPixels(chart, {{187, 188, clGreen}, {188, 190, clBlue}});
    EXPECT_EQ(Bounds(LeftPulley->Image(), QRect(0, 0, 30, 30), clGreen).bottom(), 27);
    EXPECT_EQ(At(LeftPulley->Image(), 19, 27), clGreen);

    d.Tick(1);
    chart = d.Canvas();
    // Frame 139: Ve (188,190)-(189,190), Vs (188,179) to (189,181).
    ExpectPixels(chart, {{188, 190, clGreen}, {189, 190, clBlue}});
    ExpectSegment(chart, 188, 179, 189, 181, clRed);
    EXPECT_EQ(Count(chart, QRect(188, 180, 2, 1), clRed), 1);
    // Trace (185,208) to (188,209), sprite at 177 (Vs 9.9895).
    EXPECT_EQ(RowSpan(TableBitmap->Image(), 208, clRed, 100, 396), QRect(184, 208, 5, 1));
    EXPECT_EQ(At(TableBitmap->Image(), 188, 209), clRed);
    EXPECT_EQ(SpriteLeft(167), 177);
    // The spoke turned back from 1.199 to 0.999 rad: the old one is painted over in red.
    for (const auto* pulley : {LeftPulley.get(), RightPulley.get()}) {
        EXPECT_EQ(At(pulley->Image(), 19, 27), clRed);
        EXPECT_EQ(At(pulley->Image(), 22, 25), clGreen);
        EXPECT_TRUE(QRect(QPoint(14, 14), QPoint(23, 26))
                        .contains(Bounds(pulley->Image(), QRect(0, 0, 30, 30), clGreen)));
    }

    // Redrawn the same on every frame to the last.
    d.Tick(20);  // frame 159
    EXPECT_EQ(Differences(chart131, d.Canvas(), QRect(55, 215, 285, 150)), 0);
    EXPECT_EQ(Differences(fond131, d.Fond(), QRect(110, 80, 220, 22)), 0);
    // Ve (208,190)-(209,190) under Vs, which is drawn at y 190 again. Each frame redraws the time
    // axis before the curves, so on the axis row only this frame's segment start shows.
    ExpectPixels(d.Canvas(),
                 {{208, 190, clRed}, {207, 190, clBlue}, {209, 190, clBlue}, {201, 189, clRed}});
}

TEST(Trapezoid, SecondRunStartsWhereTheFirstEnded) {
    WindowDriver d;
    d.Play(kItem, 159);
    d.Select(kItem);
    d.Tick(1);
    // Vs is still 0.2604: the first segment is (50,189)-(51,189) and Ve keeps its first pixel.
    const QImage chart = d.Canvas();
    ExpectSegment(chart, 50, 189, 51, 189, clRed);
    EXPECT_EQ(At(chart, 50, 190), clGreen);
    EXPECT_EQ(SpriteLeft(305), 186);
}

TEST(Trapezoid, RestartFromThePlateauKeepsVs) {
    WindowDriver d;
    d.Play(kItem, 99);
    d.Select(kItem);
    d.Tick(1);
    QImage chart = d.Canvas();
    // Vs falls from the plateau: (50,112) to (51,125), one pixel per row in between.
    ExpectSteepSegment(chart, 50, 112, 125, clRed);
    // Nothing is left of the interrupted run's curves (right of the labels).
    EXPECT_EQ(Count(chart, QRect(95, 100, 155, 89), clRed), 0);
    EXPECT_EQ(Count(chart, QRect(95, 100, 155, 89), clGreen), 0);
    EXPECT_EQ(SpriteLeft(305), 122);  // 187 - 64.997

    // The red curve crosses the rising green ramp on frame 12, then trails it.
    d.Tick(12);
    chart = d.Canvas();
    const auto rowOf = [&](int x, TColor colour) {
        return Bounds(chart, QRect(x, 140, 1, 51), colour).top();
    };
    EXPECT_LT(rowOf(60, clRed), rowOf(60, clGreen));
    EXPECT_GT(rowOf(62, clRed), rowOf(62, clGreen));
}
