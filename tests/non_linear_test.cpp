// The motor non-linearity lesson (menu item 6): the charts of Ve, Vs and U, the table, the motor
// characteristic with its moving operating point, the error markers and the comment button.
#include <gtest/gtest.h>

#include "engine/globals.h"
#include "support/lesson_checks.h"
#include "support/pixels.h"
#include "support/window_fixture.h"

using namespace lesson_checks;
using scene_checks::SpriteLeft;

namespace {

constexpr int kItem = 6;

// The maroon pixels written from a text position (x, y) in a 40-point font: the operating point.
// (Searched in the lower part of the cell, clear of the maroon text above the characteristic.)
QRect Dot(const QImage& fond, int x, int y) {
    return Bounds(fond, QRect(x, y + 20, 30, 40), clMaroon);
}

}  // namespace

TEST(NonLinear, FirstFrame) {
    WindowDriver d;
    d.Play(kItem, 1);
    const QImage chart = d.Canvas();

    // Ve: lead-in along the axis and up to 130, then (50,130)-(51,130).
    EXPECT_TRUE(All(chart, QRect(40, 190, 10, 1), clGreen));
    EXPECT_TRUE(All(chart, QRect(50, 131, 1, 58), clGreen));
    EXPECT_EQ(At(chart, 50, 190), clGreen);
    ExpectSegment(chart, 50, 130, 51, 130, clGreen);
    // Vs: (50,189)-(51,189), over the Ve lead-in.
    ExpectSegment(chart, 50, 189, 51, 189, clRed);
    // U: lead-in up to the Umax level, and the segment (49,250)-(50,250) one pixel to its left.
    EXPECT_TRUE(All(chart, QRect(40, 350, 10, 1), clMaroon));
    EXPECT_TRUE(All(chart, QRect(50, 251, 1, 100), clMaroon));
    EXPECT_EQ(At(chart, 49, 250), clMaroon);
    EXPECT_EQ(At(chart, 50, 250), clBlue);  // the vertical axis: both strokes leave it out
    // The sentence about the gain, in blue.
    ExpectTexts(
        chart, {{80, 70, clBlue, "Le gain G est réglé avec une faible valeur", "Arial", 10}}, true);

    // Table: sprite at 287, red spoke at (28,15) and green one to (27,15).
    EXPECT_EQ(SpriteLeft(305), 287);
    ExpectSpokes(QRect(14, 14, 14, 2));
    for (const auto* pulley : {LeftPulley.get(), RightPulley.get()})
        EXPECT_EQ(At(pulley->Image(), 28, 15), clRed);
}

TEST(NonLinear, SpokesFollowThePen) {
    WindowDriver d;
    d.Play(kItem, 12);
    EXPECT_EQ(At(LeftPulley->Image(), 23, 24), clGreen);  // a(12) = 0.816 rad
    d.Tick(1);
    // Frame 13 paints the spoke at a(12) over in red and draws a(13) = 0.914 rad, to (22, 25).
    ExpectSpokes(QRect(QPoint(14, 14), QPoint(22, 25)));
    for (const auto* pulley : {LeftPulley.get(), RightPulley.get()})
        EXPECT_EQ(At(pulley->Image(), 23, 24), clRed);
}

TEST(NonLinear, MotorCharacteristicWithItsMovingOperatingPoint) {
    WindowDriver d;
    d.Play(kItem, 1);
    const QImage fond = d.Fond();
    // Omega axis and U axis in blue, one pixel wide.
    EXPECT_TRUE(All(fond, QRect(240, 90, 1, 70), clBlue));
    EXPECT_EQ(Count(fond, QRect(239, 90, 3, 70), clBlue), 70);
    EXPECT_TRUE(All(fond, QRect(150, 180, 75, 1), clBlue));
    EXPECT_TRUE(All(fond, QRect(256, 180, 69, 1), clBlue));
    EXPECT_EQ(Count(fond, QRect(160, 179, 60, 3), clBlue), 60);
    // The dead zone in yellow over the U axis, the two branches in red from its ends.
    EXPECT_TRUE(All(fond, QRect(226, 180, 29, 1), clYellow));
    EXPECT_EQ(At(fond, 225, 180), clRed);
    EXPECT_EQ(At(fond, 255, 180), clRed);
    EXPECT_EQ(Count(fond, QRect(289, 129, 3, 3), clRed), 3);  // through (290, 130)
    EXPECT_EQ(Count(fond, QRect(189, 229, 3, 3), clRed), 3);  // through (190, 230)
    // Its texts.
    ExpectTexts(fond,
                {{120, 50, clMaroon, "Déplacement (supposé quasi-statique)"},
                 {120, 60, clMaroon, "du point de fonctionnement :"},
                 {330, 180, clBlack, "U", "Arial", 10},
                 {280, 100, clBlack, "Umax", "Arial", 7},
                 {250, 185, clBlack, "+U0", "Arial", 7},
                 {220, 165, clBlack, "-U0", "Arial", 7},
                 {220, 80, clBlack, "W", "Symbol", 12}},
                true);

    // The operating point, written at (304, 55) on the first frame.
    const QRect dot1 = Dot(fond, 304, 55);
    // A round dot the size of a full stop, on the baseline of the 40-point cell.
    EXPECT_GE(dot1.width(), 4);
    EXPECT_LE(dot1.width(), 10);
    EXPECT_GE(dot1.height(), 4);
    EXPECT_LE(dot1.height(), 10);
    EXPECT_GE(Count(fond, dot1, clMaroon) * 10, dot1.width() * dot1.height() * 6);
    EXPECT_EQ(At(fond, dot1.center().x(), dot1.center().y()), clMaroon);
    EXPECT_GT(dot1.top(), 55 + 25);
    EXPECT_LT(dot1.bottom(), 55 + 53);
    EXPECT_GE(dot1.left(), 304);

    d.Tick(158);
    const QImage last = d.Fond();
    // Written at (248, 129) on the last frame: the same dot, moved by the difference.
    EXPECT_EQ(Dot(last, 248, 129), dot1.translated(248 - 304, 129 - 55));
    EXPECT_EQ(Count(last, dot1, clMaroon), 0);  // only the current dot is shown
}

TEST(NonLinear, CurvesAndPenSettle) {
    WindowDriver d;
    d.Play(kItem, 90);
    // Vs reaches y 145 at the end of frame 90's segment, U y 339 at the end of frame 104's, and
    // the pen tip x 208 on frame 105.
    EXPECT_EQ(Count(d.Canvas(), QRect(50, 145, 91, 1), clRed), 0);
    d.Tick(1);
    EXPECT_EQ(At(d.Canvas(), 140, 145), clRed);
    d.Tick(13);
    EXPECT_EQ(Count(d.Canvas(), QRect(51, 339, 103, 1), clMaroon), 0);
    EXPECT_EQ(SpriteLeft(306 - 104), 199);
    d.Tick(1);
    EXPECT_EQ(At(d.Canvas(), 153, 339), clMaroon);
    EXPECT_EQ(SpriteLeft(306 - 105), 198);

    d.Tick(54);
    const QImage chart = d.Canvas();
    // Frame 159: Ve grown to (209,130), Vs (208,145)-(209,145), U (207,339)-(208,339).
    ExpectSegment(chart, 208, 130, 209, 130, clGreen);
    ExpectSegment(chart, 208, 145, 209, 145, clRed);
    ExpectSegment(chart, 207, 339, 208, 339, clMaroon);
    // Flat from there on, apart from where the markers cross them at x 180.
    EXPECT_TRUE(All(chart, QRect(140, 145, 32, 1), clRed));
    EXPECT_TRUE(All(chart, QRect(188, 145, 21, 1), clRed));
    EXPECT_TRUE(All(chart, QRect(153, 339, 26, 1), clMaroon));
    EXPECT_TRUE(All(chart, QRect(182, 339, 26, 1), clMaroon));
    EXPECT_EQ(SpriteLeft(306 - 159), 198);
}

TEST(NonLinear, ErrorMarkersFromFrame131) {
    WindowDriver d;
    d.Play(kItem, 130);
    const QImage before = d.Canvas();
    ExpectTextsFromFrame131(d, {},
                            {{190, 95, clBlack, "erreur de position non nulle!"},
                             {185, 300, clBlack, "+ U0", "Arial", 10}});
    const QImage after = d.Canvas();
    // The blue strokes at x = 180 and their leaders.
    for (QPoint p : {QPoint(180, 115), QPoint(180, 160), QPoint(200, 110), QPoint(174, 124),
                     QPoint(186, 124), QPoint(180, 330), QPoint(180, 365), QPoint(200, 320),
                     QPoint(174, 334), QPoint(186, 356)}) {
        EXPECT_NE(At(before, p.x(), p.y()), clBlue) << p.x() << "," << p.y();
        EXPECT_EQ(At(after, p.x(), p.y()), clBlue) << p.x() << "," << p.y();
    }
    // The arrowhead onto the Vs level (its strokes go 7 across and 8 down).
    EXPECT_GE(Count(after, QRect(172, 146, 16, 8), clBlue), 14);

    // The same on every later frame.
    d.Tick(28);
    EXPECT_EQ(Differences(after, d.Canvas(), QRect(185, 95, 150, 11)), 0);
    EXPECT_EQ(Differences(after, d.Canvas(), QRect(185, 300, 36, 15)), 0);
}
