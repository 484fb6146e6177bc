// The closed loop with a low gain ("Rép. Ind. en Boucle Fermée (G:faible)", menu item 2): frames
// 1 to 159, the interpretation from frame 131 and the comment panel on the last frame.
#include <gtest/gtest.h>

#include <QEvent>
#include <QObject>

#include "engine/globals.h"
#include "support/pixels.h"
#include "support/window_fixture.h"

namespace {

// Frame k (1 .. 159) of the lesson, started after two ticks of the idle screen.
void RunToFrame(WindowDriver& d, int k) {
    d.Tick(2);
    d.Select(2);
    d.Tick(k);
}

// Whether the pen sprite sits, unchanged, with its top-left corner at (x, y) of TableBitmap.
bool SpriteAt(int x, int y) {
    const QImage& sprite = PenSprite->Image();
    return Differences(TableBitmap->Image().copy(x, y, sprite.width(), sprite.height()), sprite) ==
           0;
}

// Counts the times a widget is shown.
class ShowCounter : public QObject {
  public:
    int shown = 0;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) ++shown;
        return QObject::eventFilter(watched, event);
    }
};

// Text boxes of the interpretation.
const QRect kOrder(110, 80, 170, 22);         // FOND, clRed
const QRect kCommand(180, 170, 170, 42);      // FOND, clMaroon
const QRect kMotorStopped(240, 220, 95, 62);  // FOND, clHighlight
const QRect kErrorZero(120, 50, 260, 13);     // FOND, clBlue
const QRect kLabelVs(190, 135, 50, 14);       // window, clBlue, left of the time axes' tips
const QRect kLabelV(190, 295, 50, 14);        // window, clBlue
const QRect kAdvice(10, 405, 330, 50);        // window, clBlue
// Where the Vs curve runs near its baseline, below its label.
const QRect kVsStart(50, 178, 200, 12);

}  // namespace

TEST(LowGain, FirstFrameStartsEveryCurveThePenAndTheSpokes) {
    WindowDriver d;
    RunToFrame(d, 1);
    EXPECT_EQ(Phase, 202);
    EXPECT_EQ(StepLowGain, 1);
    const QImage c = d.Canvas();

    // Vs: the segment (50, 189) to (51, 189), one pixel.
    EXPECT_EQ(At(c, 50, 189), clRed);
    EXPECT_NE(At(c, 51, 189), clRed);
    EXPECT_EQ(Count(c, kVsStart, clRed), 1);
    // Ve: lead-in along the axis and up to 130, then its first segment.
    EXPECT_EQ(At(c, 45, 190), clGreen);
    EXPECT_EQ(At(c, 50, 131), clGreen);
    EXPECT_EQ(At(c, 50, 130), clGreen);
    EXPECT_NE(At(c, 51, 130), clGreen);
    // U and V share their lead-in along 289, V drawn last; V starts 60 pixels above its axis.
    EXPECT_EQ(At(c, 45, 289), clBlue);
    EXPECT_EQ(At(c, 49, 240), clBlue);
    EXPECT_EQ(At(c, 49, 230), clBlue);
    // Omega starts at (51, 385), not joined to its lead-in, which stops before (50, 391).
    EXPECT_EQ(At(c, 49, 391), clHighlight);
    EXPECT_EQ(At(c, 50, 391), clBlue);  // the vertical axis
    EXPECT_EQ(At(c, 51, 385), clHighlight);
    EXPECT_EQ(Count(c, QRect(51, 386, 1, 4), clHighlight), 0);
    // Labels.
    EXPECT_GT(Count(c, QRect(60, 110, 20, 16), clGreen), 10);      // "Ve"
    EXPECT_GT(Count(c, QRect(80, 160, 20, 16), clRed), 10);        // "Vs"
    EXPECT_GT(Count(c, QRect(70, 230, 50, 16), clMaroon), 30);     // "U=G.V"
    EXPECT_GT(Count(c, QRect(90, 260, 70, 16), clBlue), 30);       // "V=Ve - Vs"
    EXPECT_GT(Count(c, QRect(60, 330, 20, 20), clHighlight), 10);  // Omega
    EXPECT_GT(Count(c, QRect(230, 175, 10, 12), clBlue), 3);       // "t"

    // Table: the sprite's left edge at 287.
    EXPECT_TRUE(SpriteAt(287, 305));
    // Each pulley: the new green spoke ends at (27, 15); the red one drawn before it at (28, 15)
    // leaves the disc red there.
    for (const TBitmap* pulley : {LeftPulley.get(), RightPulley.get()}) {
        EXPECT_EQ(At(pulley->Image(), 27, 15), clGreen);
        EXPECT_EQ(At(pulley->Image(), 15, 15), clGreen);
        EXPECT_EQ(At(pulley->Image(), 28, 15), clRed);
        const QRect spoke = Bounds(pulley->Image(), QRect(0, 0, 30, 30), clGreen);
        EXPECT_GE(spoke.top(), 13);
        EXPECT_LE(spoke.bottom(), 16);
    }

    // The standard diagram: the feedback arrow reaches the junction.
    EXPECT_EQ(At(d.Fond(), 93, 90), clRed);
}

TEST(LowGain, SecondFrameDrawsUAtTwoThirdsOfV) {
    WindowDriver d;
    RunToFrame(d, 2);
    const QImage c = d.Canvas();
    EXPECT_EQ(At(c, 50, 250), clMaroon);  // 40 pixels above the 290 axis
    EXPECT_EQ(At(c, 50, 230), clBlue);    // 60 pixels above it
}

TEST(LowGain, PenAndVsReachTheirFinalPositionAtFrame97) {
    WindowDriver d;
    RunToFrame(d, 96);
    // Vs is one row short of the Ve level; the sprite is not yet at 228.
    EXPECT_EQ(Count(d.Canvas(), QRect(51, 130, 200, 1), clRed), 0);
    EXPECT_EQ(At(d.Canvas(), 145, 131), clRed);
    EXPECT_FALSE(SpriteAt(228, 306 - 96));

    d.Tick(1);  // frame 97
    const QImage c = d.Canvas();
    EXPECT_EQ(At(c, 146, 130), clRed);
    EXPECT_EQ(Count(c, QRect(51, 130, 200, 1), clRed), 1);
    EXPECT_TRUE(SpriteAt(228, 306 - 97));
    // Every curve runs flat from here: V on 289, Omega on 390.
    EXPECT_EQ(At(c, 145, 289), clBlue);
    EXPECT_EQ(At(c, 147, 390), clHighlight);
}

TEST(LowGain, LastFrameAndTheWholeTrace) {
    WindowDriver d;
    RunToFrame(d, 159);
    EXPECT_EQ(Phase, 360);
    EXPECT_EQ(StepLowGain, 159);
    const QImage c = d.Canvas();

    // Vs: (208, 130) to (209, 130); Omega: (209, 390) to (210, 390), on the time axis.
    EXPECT_EQ(At(c, 208, 130), clRed);
    EXPECT_NE(At(c, 209, 130), clRed);
    EXPECT_EQ(At(c, 209, 390), clHighlight);
    EXPECT_EQ(At(c, 210, 390), clBlue);
    // No overshoot: Vs never climbs above the Ve level, V never drops below 289.
    EXPECT_EQ(Count(c, QRect(51, 40, 200, 90), clRed), 0);
    EXPECT_EQ(Count(c, QRect(51, 291, 120, 30), clBlue), 0);
    // Flat from frame 97 (the marker's cross covers the curves around x 180).
    EXPECT_TRUE(All(c, QRect(146, 130, 29, 1), clRed));
    EXPECT_TRUE(All(c, QRect(186, 130, 23, 1), clRed));
    EXPECT_TRUE(All(c, QRect(145, 289, 63, 1), clBlue));
    // Omega's hump, 120 x w at its peak of about 0.248: about 30 pixels above the axis.
    const QRect hump = Bounds(c, QRect(51, 350, 200, 40), clHighlight);
    EXPECT_GE(hump.top(), 360);
    EXPECT_LE(hump.top(), 362);

    // The sprite's left edge at 228.
    EXPECT_TRUE(SpriteAt(228, 147));
    // After nearly 4 radians the only spoke left points up and to the left of the centre.
    for (const TBitmap* pulley : {LeftPulley.get(), RightPulley.get()}) {
        const QRect spoke = Bounds(pulley->Image(), QRect(0, 0, 30, 30), clGreen);
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
        const int row = 348 - k;
        if (Count(paper, QRect(1, row, 399, 1), clBlue) > 100) continue;  // a grid line
        const QRect red = Bounds(paper, QRect(1, row, 399, 1), clRed);
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

TEST(LowGain, InterpretationFromFrame131) {
    WindowDriver d;
    RunToFrame(d, 130);
    QImage fond = d.Fond();
    QImage c = d.Canvas();
    EXPECT_EQ(Count(fond, kOrder, clRed), 0);
    EXPECT_EQ(Count(fond, kCommand, clMaroon), 0);
    EXPECT_EQ(Count(fond, kMotorStopped, clHighlight), 0);
    EXPECT_EQ(Count(fond, kErrorZero, clBlue), 0);
    EXPECT_EQ(Count(c, kLabelVs, clBlue), 0);
    EXPECT_EQ(Count(c, kLabelV, clBlue), 0);
    EXPECT_EQ(Count(c, kAdvice, clBlue), 0);
    EXPECT_EQ(At(c, 180, 145), clBtnFace);

    d.Tick(1);  // frame 131
    ASSERT_EQ(Phase, 332);
    fond = d.Fond();
    c = d.Canvas();
    EXPECT_GT(Count(fond, kOrder, clRed), 150);
    EXPECT_GT(Count(fond, kCommand, clMaroon), 250);
    EXPECT_GT(Count(fond, kMotorStopped, clHighlight), 250);
    EXPECT_GT(Count(fond, kErrorZero, clBlue), 200);
    EXPECT_GT(Count(c, kLabelVs, clBlue), 40);
    EXPECT_GT(Count(c, kLabelV, clBlue), 40);
    EXPECT_GT(Count(c, kAdvice, clBlue), 500);
    // Transparent text over the diagram: only the button face and the text in the box.
    EXPECT_EQ(Count(fond, kOrder, clRed) + Count(fond, kOrder, clBtnFace),
              kOrder.width() * kOrder.height());
    // The markers: vertical stroke, cross centred on the Ve level (resp. the axis), underline.
    EXPECT_EQ(At(c, 180, 120), clBlue);
    EXPECT_EQ(At(c, 180, 145), clBlue);
    EXPECT_EQ(At(c, 175, 125), clBlue);
    EXPECT_EQ(At(c, 175, 135), clBlue);
    EXPECT_TRUE(All(c, QRect(180, 150, 70, 1), clBlue));
    EXPECT_NE(At(c, 250, 150), clBlue);
    EXPECT_EQ(At(c, 180, 300), clBlue);
    EXPECT_EQ(At(c, 175, 285), clBlue);
    EXPECT_EQ(At(c, 175, 295), clBlue);
    EXPECT_TRUE(All(c, QRect(180, 310, 70, 1), clBlue));

    // Redrawn identically up to the last frame.
    d.Tick(28);  // frame 159
    ASSERT_EQ(Phase, 360);
    EXPECT_EQ(Differences(fond, d.Fond(), QRect(0, 0, 449, 297)), 0);
    EXPECT_EQ(Differences(c, d.Canvas(), kLabelVs), 0);
    EXPECT_EQ(Differences(c, d.Canvas(), kLabelV), 0);
    EXPECT_EQ(Differences(c, d.Canvas(), kAdvice), 0);
}

TEST(LowGain, CommentPanelOpensOnceOnTheLastFrame) {
    WindowDriver d;
    TRichEdit* panel = d.form().RichEdit1;
    d.Tick(2);
    d.Select(2);
    ShowCounter counter;
    panel->installEventFilter(&counter);
    for (int k = 1; k <= 158; ++k) {
        d.Tick(1);
        ASSERT_FALSE(panel->isVisible()) << "frame " << k;
    }
    d.Tick(1);  // frame 159
    EXPECT_TRUE(panel->isVisible());
    d.Tick(5);
    EXPECT_EQ(Phase, 360);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(counter.shown, 1);
    panel->removeEventFilter(&counter);
}

TEST(LowGain, ThePanelIsHiddenByTheNextLesson) {
    WindowDriver d;
    RunToFrame(d, 159);
    ASSERT_TRUE(d.form().RichEdit1->isVisible());

    // Starting another lesson hides it at once and its ticks keep it hidden.
    d.Select(1);
    EXPECT_FALSE(d.form().RichEdit1->isVisible());
    d.Tick(1);
    EXPECT_FALSE(d.form().RichEdit1->isVisible());

    // A lesson's first tick hides it by itself.
    for (const int start : {1, 201}) {
        SCOPED_TRACE(start);
        RunToFrame(d, 159);
        ASSERT_TRUE(d.form().RichEdit1->isVisible());
        Phase = start;
        d.Tick(1);
        EXPECT_FALSE(d.form().RichEdit1->isVisible());
    }
}

TEST(LowGain, TicksAfterTheLastFrameChangeNothing) {
    WindowDriver d;
    RunToFrame(d, 159);
    const QImage canvas = d.Canvas();
    const QImage fond = d.Fond();
    const QImage paper = TableBitmap->Image().copy();
    const QImage left = LeftPulley->Image().copy();
    d.Tick(3);
    EXPECT_EQ(Phase, 360);
    EXPECT_EQ(StepLowGain, 159);
    EXPECT_EQ(Differences(canvas, d.Canvas()), 0);
    EXPECT_EQ(Differences(fond, d.Fond()), 0);
    EXPECT_EQ(Differences(paper, TableBitmap->Image()), 0);
    EXPECT_EQ(Differences(left, LeftPulley->Image()), 0);
}

TEST(LowGain, RestartInTheMiddleBeginsAgainAtFrame1) {
    WindowDriver d;
    RunToFrame(d, 140);
    d.Select(2);
    EXPECT_TRUE(All(d.Canvas(), QRect(0, 40, 340, 420), clBtnFace));
    d.Tick(1);
    EXPECT_EQ(Phase, 202);
    EXPECT_EQ(StepLowGain, 1);
    const QImage c = d.Canvas();
    EXPECT_EQ(Count(c, kVsStart, clRed), 1);
    EXPECT_EQ(Count(c, QRect(51, 125, 200, 10), clRed), 0);  // nothing left of the old run
    EXPECT_EQ(Count(c, kAdvice, clBlue), 0);
    EXPECT_EQ(Count(d.Fond(), kOrder, clRed), 0);
    EXPECT_FALSE(d.form().RichEdit1->isVisible());
    // The pulleys were repainted by the start button: only the new spoke, at almost 0 rad.
    const QRect spoke = Bounds(LeftPulley->Image(), QRect(0, 0, 30, 30), clGreen);
    EXPECT_GE(spoke.left(), 13);
    EXPECT_GE(spoke.top(), 13);
    EXPECT_LE(spoke.bottom(), 16);
}

TEST(LowGain, RestartAfterTheEndReplaysTheLesson) {
    QImage freshCanvas;
    QImage freshFond;
    {
        WindowDriver d;
        RunToFrame(d, 2);
        freshCanvas = d.Canvas();
        freshFond = d.Fond();
    }

    WindowDriver d;
    RunToFrame(d, 159);
    d.Tick(2);
    d.Select(2);
    d.Tick(2);  // frame 2 again
    EXPECT_EQ(StepLowGain, 2);
    EXPECT_EQ(Differences(freshCanvas, d.Canvas()), 0);
    // Above the paper, which keeps the old trace further down, FOND is as in a first run, except in
    // the corners of the pulley sprites (FOND x 80..109 and 367..396 from row 299): the start
    // button repaints only the discs, and the width-2 spokes of the first run reach past them.
    const QImage fond = d.Fond();
    EXPECT_EQ(Differences(freshFond, fond, QRect(0, 0, 449, 299)), 0);
    EXPECT_EQ(Differences(freshFond, fond, QRect(0, 299, 80, 51)), 0);
    EXPECT_EQ(Differences(freshFond, fond, QRect(110, 299, 257, 51)), 0);
    EXPECT_EQ(Differences(freshFond, fond, QRect(397, 299, 52, 51)), 0);
}
