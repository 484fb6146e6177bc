// The open-loop step response ("Réponse indicielle en Boucle Ouverte", menu item 1): its frames are
// numbered by Phase itself, 2 to 160.
#include <gtest/gtest.h>

#include "engine/globals.h"
#include "support/pixels.h"
#include "support/window_fixture.h"

namespace {

// Frame k (2 .. 160) of the lesson, started after two ticks of the idle screen.
void RunToFrame(WindowDriver& d, int k) {
    d.Tick(2);
    d.Select(1);
    d.Tick(k - 1);
}

// Whether the pen sprite sits, unchanged, with its top-left corner at (x, y) of TableBitmap.
bool SpriteAt(int x, int y) {
    const QImage& sprite = PenSprite->Image();
    return Differences(TableBitmap->Image().copy(x, y, sprite.width(), sprite.height()), sprite) ==
           0;
}

// Rightmost pixel of the colour on one row, between x0 and x1 (-1 if none).
int RightmostOnRow(const QImage& image, int row, int x0, int x1, TColor colour) {
    const QRect r = Bounds(image, QRect(x0, row, x1 - x0 + 1, 1), colour);
    return r.isEmpty() ? -1 : r.right();
}

// Text boxes of the comments.
const QRect kCurrentComment(180, 170, 170, 63);  // FOND, clGreen
const QRect kIntegrator(130, 80, 200, 50);       // FOND, clRed
const QRect kEndStop(130, 250, 100, 35);         // FOND, clBlue
const QRect kMotor(240, 250, 100, 35);           // FOND, clHighlight
const QRect kResult(40, 405, 300, 40);           // window, clBlue
// Where the Vs curve runs near its baseline, below its label.
const QRect kVsStart(51, 178, 200, 12);

}  // namespace

TEST(OpenLoop, FirstFrameStartsEveryCurveAndThePen) {
    WindowDriver d;
    RunToFrame(d, 2);
    EXPECT_EQ(Phase, 2);
    const QImage c = d.Canvas();

    // Vs: one pixel, the segment (51, 189) to (52, 189) without its end point.
    EXPECT_EQ(At(c, 51, 189), clRed);
    EXPECT_EQ(At(c, 52, 189), clBtnFace);
    EXPECT_EQ(Count(c, kVsStart, clRed), 1);
    // Ve: its lead-in over the time axis and up to the step, then its first segment.
    EXPECT_EQ(At(c, 45, 190), clGreen);
    EXPECT_EQ(At(c, 50, 160), clGreen);
    EXPECT_EQ(At(c, 51, 140), clGreen);
    EXPECT_EQ(At(c, 52, 140), clBtnFace);
    // U: lead-in one pixel above the 290 axis, up to 230, then its first segment.
    EXPECT_EQ(At(c, 45, 289), clMaroon);
    EXPECT_EQ(At(c, 49, 260), clMaroon);
    EXPECT_EQ(At(c, 50, 230), clMaroon);
    EXPECT_EQ(At(c, 51, 230), clBtnFace);
    // I: lead-in one pixel below the axis, up to 250; the segment (52, 251) to (53, 253).
    EXPECT_EQ(At(c, 45, 291), clGreen);
    EXPECT_EQ(At(c, 51, 270), clGreen);
    EXPECT_EQ(At(c, 52, 251), clGreen);
    EXPECT_NE(At(c, 53, 253), clGreen);
    // Omega: lead-in below the 390 axis; the segment (52, 388) to (53, 385).
    EXPECT_EQ(At(c, 45, 391), clHighlight);
    EXPECT_EQ(At(c, 52, 388), clHighlight);
    EXPECT_NE(At(c, 53, 385), clHighlight);
    // Axes and labels.
    EXPECT_EQ(At(c, 50, 70), clBlue);
    EXPECT_EQ(At(c, 200, 390), clBlue);
    EXPECT_GT(Count(c, QRect(60, 120, 20, 16), clGreen), 10);      // "Ve"
    EXPECT_GT(Count(c, QRect(60, 160, 20, 16), clRed), 10);        // "Vs"
    EXPECT_GT(Count(c, QRect(60, 210, 15, 16), clMaroon), 10);     // "U"
    EXPECT_GT(Count(c, QRect(60, 245, 10, 16), clGreen), 5);       // "I"
    EXPECT_GT(Count(c, QRect(60, 330, 20, 20), clHighlight), 10);  // Omega
    EXPECT_GT(Count(c, QRect(230, 375, 10, 12), clBlue), 3);       // "t"

    // Table: the pen sprite at (286, 304); of the trace (297, 345)-(298, 346) the paper's white
    // top row hides the start and the lower end stays.
    EXPECT_TRUE(SpriteAt(286, 304));
    const QImage& paper = TableBitmap->Image();
    EXPECT_EQ(RightmostOnRow(paper, 346, 250, 320, clRed), 298);
    EXPECT_TRUE(All(paper, QRect(280, 345, 30, 1), clWhite));

    // The open-loop diagram: the feedback arrow stops short of the junction.
    EXPECT_NE(At(d.Fond(), 93, 90), clRed);
    EXPECT_EQ(At(d.Fond(), 93, 110), clRed);
}

TEST(OpenLoop, LastFrameEndsTheRampAtTheTopOfTheAxis) {
    WindowDriver d;
    RunToFrame(d, 160);
    EXPECT_EQ(Phase, 160);
    const QImage c = d.Canvas();

    // Vs: the last segment (209, 51) to (210, 50); nothing above row 51 nor right of 209.
    EXPECT_EQ(At(c, 209, 51), clRed);
    EXPECT_NE(At(c, 210, 50), clRed);
    EXPECT_EQ(Count(c, QRect(51, 40, 200, 11), clRed), 0);
    EXPECT_EQ(Count(c, QRect(210, 40, 130, 150), clRed), 0);
    EXPECT_EQ(At(c, 51, 189), clRed);
    // Omega settled at 331, I back at 289.
    EXPECT_EQ(At(c, 209, 331), clHighlight);
    EXPECT_EQ(At(c, 210, 331), clHighlight);
    EXPECT_EQ(At(c, 210, 289), clGreen);

    // Table: trace (158, 187)-(158, 188), sprite at (147, 146).
    const QImage& paper = TableBitmap->Image();
    EXPECT_EQ(RightmostOnRow(paper, 188, 100, 250, clRed), 158);
    EXPECT_TRUE(SpriteAt(147, 146));

    // The paper on FOND carries the whole run of the pen: frame 2's end at x 298 (FOND 330,
    // 159 rows down the paper) and frame 159's end at x 159 (FOND 191) on the paper's second row.
    const QImage fond = d.Fond();
    EXPECT_EQ(RightmostOnRow(fond, 508, 180, 400, clRed), 330);
    EXPECT_EQ(RightmostOnRow(fond, 351, 150, 400, clRed), 191);

    // After 16 radians the spoke points left and a little up from the centre (15, 15).
    const QRect spoke = Bounds(LeftPulley->Image(), QRect(0, 0, 30, 30), clGreen);
    EXPECT_LE(spoke.left(), 4);
    EXPECT_LE(spoke.right(), 16);
    EXPECT_LE(spoke.bottom(), 16);
    EXPECT_GE(spoke.top(), 8);
    EXPECT_EQ(Bounds(RightPulley->Image(), QRect(0, 0, 30, 30), clGreen), spoke);
}

TEST(OpenLoop, CommentFromFrame21AndConclusionsFromFrame131) {
    WindowDriver d;
    RunToFrame(d, 20);
    EXPECT_EQ(Count(d.Fond(), kCurrentComment, clGreen), 0);

    d.Tick(1);  // frame 21
    EXPECT_GT(Count(d.Fond(), kCurrentComment, clGreen), 200);

    d.Tick(109);  // frame 130
    ASSERT_EQ(Phase, 130);
    QImage fond = d.Fond();
    EXPECT_GT(Count(fond, kCurrentComment, clGreen), 200);
    EXPECT_EQ(Count(fond, kIntegrator, clRed), 0);
    EXPECT_EQ(Count(fond, kEndStop, clBlue), 0);
    EXPECT_EQ(Count(fond, kMotor, clHighlight), 0);
    EXPECT_EQ(Count(d.Canvas(), kResult, clBlue), 0);

    d.Tick(1);  // frame 131
    fond = d.Fond();
    EXPECT_GT(Count(fond, kCurrentComment, clGreen), 200);
    EXPECT_GT(Count(fond, kIntegrator, clRed), 200);
    EXPECT_GT(Count(fond, kEndStop, clBlue), 100);
    EXPECT_GT(Count(fond, kMotor, clHighlight), 100);
    EXPECT_GT(Count(d.Canvas(), kResult, clBlue), 300);
    // Texts without background boxes: inside their boxes only the button face and the text.
    EXPECT_EQ(Count(fond, kIntegrator, clRed) + Count(fond, kIntegrator, clBtnFace),
              kIntegrator.width() * kIntegrator.height());

    // The same texts at the same places up to the last frame: the diagram part of FOND does not
    // change any more.
    d.Tick(29);  // frame 160
    ASSERT_EQ(Phase, 160);
    EXPECT_EQ(Differences(fond, d.Fond(), QRect(0, 0, 449, 297)), 0);
    EXPECT_FALSE(d.form().RichEdit1->isVisible());
}

TEST(OpenLoop, TicksAfterTheLastFrameChangeNothing) {
    WindowDriver d;
    RunToFrame(d, 160);
    const QImage canvas = d.Canvas();
    const QImage fond = d.Fond();
    const QImage paper = TableBitmap->Image().copy();

    d.form().ScrollBar1->setValue(150);
    d.Tick(3);
    EXPECT_EQ(Phase, 160);
    EXPECT_EQ(Differences(canvas, d.Canvas()), 0);
    EXPECT_EQ(Differences(fond, d.Fond()), 0);
    EXPECT_EQ(Differences(paper, TableBitmap->Image()), 0);
    EXPECT_FALSE(d.form().RichEdit1->isVisible());
    EXPECT_EQ(d.form().Timer1->Interval(), 150);  // the speed bar still works
}

TEST(OpenLoop, RestartInTheMiddleBeginsAgainAtFrame2) {
    WindowDriver d;
    RunToFrame(d, 60);
    d.Select(1);
    EXPECT_TRUE(All(d.Canvas(), QRect(0, 40, 340, 420), clBtnFace));

    d.Tick(1);
    EXPECT_EQ(Phase, 2);
    const QImage c = d.Canvas();
    EXPECT_EQ(Count(c, kVsStart, clRed), 1);
    EXPECT_EQ(At(c, 51, 189), clRed);
    EXPECT_EQ(Count(c, QRect(80, 320, 170, 75), clHighlight), 0);  // no earlier Omega segment
    EXPECT_EQ(Count(d.Fond(), kCurrentComment, clGreen), 0);
}

TEST(OpenLoop, RestartAfterTheEndReplaysTheLesson) {
    QImage freshCanvas;
    QImage freshFond;
    {
        WindowDriver d;
        RunToFrame(d, 3);
        freshCanvas = d.Canvas();
        freshFond = d.Fond();
    }

    WindowDriver d;
    RunToFrame(d, 160);
    d.Tick(2);
    d.Select(1);
    d.Tick(2);  // frame 3 again
    EXPECT_EQ(Phase, 3);
    EXPECT_EQ(Differences(freshCanvas, d.Canvas()), 0);
    // Above the paper, which keeps the old trace further down, FOND is the same as in a first run.
    EXPECT_EQ(Differences(freshFond, d.Fond(), QRect(0, 0, 449, 350)), 0);
}
