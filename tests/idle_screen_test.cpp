// The idle screen and the shared scenery it shows: block diagram, table view at rest.
#include <gtest/gtest.h>

#include "engine/globals.h"
#include "support/lesson_checks.h"
#include "support/pixels.h"
#include "support/window_fixture.h"

using lesson_checks::ExpectPixels;

namespace {
const TColor kBackgroundGrey = RGB(215, 215, 215);
}

TEST(IdleScreen, FirstFrameShowsTheStillBlankTableBitmapsAsAWhiteBlock) {
    WindowDriver d;
    d.Tick();
    const QImage f = d.Fond();
    // The mask is white (keeps everything), the picture white (ORs white over the diagram).
    EXPECT_TRUE(All(f, QRect(QPoint(32, 2), QPoint(428, 501)), clWhite));
    EXPECT_NE(At(f, 31, 100), clWhite);
    EXPECT_NE(At(f, 429, 100), clWhite);
    EXPECT_EQ(At(f, 15, 40), clRed) << "the diagram around it is there";
}

TEST(IdleScreen, FromTheSecondTickTheDiagramIsComplete) {
    WindowDriver d;
    d.Tick(2);
    const QImage f = d.Fond();
    EXPECT_EQ(Count(f, QRect(0, 0, 449, 537), kBackgroundGrey), 0)
        << "nothing of the background picture shows in the top 537 rows";
    EXPECT_TRUE(All(f, QRect(0, 537, 449, 44), kBackgroundGrey)) << "rows below are not painted";
    EXPECT_EQ(At(f, 200, 200), clBtnFace);

    // Table outline and its perspective edge, green and two pixels wide.
    ExpectPixels(f,
                 {{29, 200, clGreen}, {30, 200, clGreen}, {1, 300, clGreen}, {431, 100, clGreen}});

    // Boxes: red outlines, white or yellow insides: the control amplifier (its sides at x 340 and
    // 419), the power amplifier, the angle sensor; the motor, its shaft, the gearbox's shaft and
    // the gearbox; the input terminal and the summing junction.
    ExpectPixels(f, {{340, 100, clRed},
                     {419, 100, clRed},
                     {342, 122, clWhite},
                     {420, 100, clBtnFace},
                     {342, 177, clWhite},
                     {65, 177, clWhite}});
    ExpectPixels(f, {{352, 272, clYellow},
                     {380, 290, clYellow},
                     {93, 290, clYellow},
                     {65, 272, clYellow},
                     {15, 40, clRed},
                     {93, 20, clWhite}});

    // Connections: the feedback reaches the junction; arrows down into the boxes, with the
    // arrowhead above the control amplifier.
    ExpectPixels(
        f,
        {{93, 90, clRed}, {250, 40, clRed}, {380, 55, clRed}, {376, 66, clRed}, {384, 66, clRed}});
    EXPECT_EQ(Count(f, QRect(73, 75, 41, 1), clRed), 1) << "no earth bar, only the feedback shaft";

    // Labels without background boxes, in their colours.
    EXPECT_GT(Count(f, QRect(40, 10, 25, 20), clGreen), 10);       // "Ve"
    EXPECT_GT(Count(f, QRect(370, 10, 15, 20), clBlue), 10);       // "V"
    EXPECT_GT(Count(f, QRect(390, 190, 15, 20), clMaroon), 10);    // "U"
    EXPECT_GT(Count(f, QRect(65, 75, 25, 20), clRed), 10);         // "Vs"
    EXPECT_GT(Count(f, QRect(350, 278, 15, 16), clHighlight), 5);  // Omega
    EXPECT_GT(Count(f, QRect(110, 185, 12, 16), clBlack), 5);      // theta
    EXPECT_GT(Count(f, QRect(350, 75, 60, 9), clBlue), 10);        // "Amplificateur"
    EXPECT_GT(Count(f, QRect(350, 75, 60, 9), clWhite), 100) << "the box shows between letters";
}

TEST(IdleScreen, TableAtRestSitsBelowTheDiagram) {
    WindowDriver d;
    d.Tick(3);
    const QImage f = d.Fond();
    // The mask keeps FOND down to row 297; the bed starts on row 298 with the upper belt strand,
    // the lower one on row 327, the table bed between them.
    ExpectPixels(
        f, {{200, 297, clBtnFace}, {200, 298, clBlue}, {200, 327, clBlue}, {200, 310, clBtnFace}});
    // Pulleys centred on x 95 and 382, row 313, each with its green spoke towards the right.
    ExpectPixels(f, {{95, 305, clRed}, {382, 305, clRed}});
    EXPECT_GT(Count(f, QRect(96, 312, 12, 4), clGreen), 8);
    EXPECT_GT(Count(f, QRect(383, 312, 12, 4), clGreen), 8);
    EXPECT_EQ(Count(f, QRect(80, 298, 13, 30), clGreen), 0) << "nothing left of the centre";
    // The pen carriage at FOND x 321 (bitmap 289), its point at x 331 just above the paper.
    EXPECT_TRUE(All(f, QRect(323, 310, 17, 17), clBlue));
    ExpectPixels(f, {{321, 315, clBtnFace}, {331, 347, clRed}});
    // The paper: white ground from row 349, blue grid, and the trace's lower end under the pen.
    EXPECT_EQ(At(f, 200, 349), clWhite);
    EXPECT_GT(Count(f, QRect(40, 360, 380, 100), clBlue), 1000);
    EXPECT_GT(Count(f, QRect(40, 360, 380, 100), clWhite), 20000);
    EXPECT_GT(Count(f, QRect(329, 350, 6, 2), clRed), 0);
    EXPECT_EQ(Count(f, QRect(32, 352, 397, 150), clRed), 0) << "the pen stands still";
}

TEST(IdleScreen, StartWithNothingSelectedRedrawsTheSpokeOnTheNextTicks) {
    WindowDriver d;
    d.Tick(3);
    const QImage before = d.Fond();
    d.Click();
    EXPECT_EQ(Count(LeftPulley->Image(), QRect(0, 0, 30, 30), clGreen), 0);
    d.Tick();
    EXPECT_GT(Count(LeftPulley->Image(), QRect(0, 0, 30, 30), clGreen), 0);
    d.Tick(2);
    // The picture comes back, but for the few belt-stub pixels the repainted discs covered.
    const QImage after = d.Fond();
    const int stubRows = Differences(before, after, QRect(0, 298, 449, 1)) +
                         Differences(before, after, QRect(0, 327, 449, 1));
    EXPECT_EQ(Differences(before, after), stubRows);
    EXPECT_LE(stubRows, 24);
}

TEST(Presentation, ShowsTheTableOnePixelHigherThanTheIdleScreen) {
    WindowDriver idle;
    idle.Tick(2);
    idle.Click();  // nothing selected: the pulleys are repainted as for the presentation
    idle.Tick(3);
    WindowDriver pres;
    pres.Tick(2);
    pres.Select(0);
    pres.Tick(3);
    const QImage a = idle.Fond();
    const QImage b = pres.Fond();
    EXPECT_EQ(Differences(a, b, QRect(0, 0, 449, 296)), 0) << "same diagram";
    // Every row of the table area is the idle screen's next row.
    const QImage shifted = a.copy(0, 298, 449, 200);
    EXPECT_EQ(Differences(shifted, b.copy(0, 297, 449, 200)), 0);
    EXPECT_EQ(At(b, 200, 297), clBlue);
    EXPECT_EQ(At(b, 200, 348), clWhite);
}

// (That the idle screen and the presentation stay still is checked by the long runs.)
TEST(Presentation, TextIsDrawnWithoutBoxes) {
    WindowDriver d;
    d.Tick(2);
    d.Select(0);
    d.Tick();
    const QImage c = d.Canvas();
    EXPECT_GT(Count(c, QRect(40, 40, 12, 20), clRed), 5) << "first bullet";
    EXPECT_GT(Count(c, QRect(50, 40, 200, 12), clBlue), 50) << "first paragraph line";
    EXPECT_GT(Count(c, QRect(50, 40, 200, 12), clBtnFace), 1000) << "no background box";
    EXPECT_GT(Count(c, QRect(40, 420, 280, 14), clRed), 100) << "the table's purpose";
    EXPECT_GT(Count(c, QRect(300, 293, 10, 14), clBlue), 5) << "theta after 'sortie'";
}
