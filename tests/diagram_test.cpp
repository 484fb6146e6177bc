// The block diagram's open-loop variant against the standard one.
#include <gtest/gtest.h>

#include "canvas/canvas.h"
#include "scenery/diagram.h"
#include "support/pixels.h"

namespace {

QImage Draw(DiagramVariant variant) {
    TBitmap b;
    b.SetSize(449, 581);
    DrawBlockDiagram(*b.Canvas(), variant);
    return b.Image().copy();
}

}  // namespace

TEST(Diagram, OpenLoopCutsTheFeedbackAndEarthsTheJunction) {
    const QImage closed = Draw(DiagramVariant::Standard);
    const QImage open = Draw(DiagramVariant::OpenLoop);

    // Feedback arrow: up to the junction in the closed loop, stopping at y 100 in the open loop.
    EXPECT_EQ(At(closed, 93, 90), clRed);
    EXPECT_EQ(At(open, 93, 90), clBtnFace);
    EXPECT_EQ(At(open, 93, 110), clRed);
    EXPECT_EQ(At(open, 89, 104), clRed) << "its arrowhead at (93, 100)";

    // Earth symbol under the junction: stub, bar and three hatch strokes.
    EXPECT_EQ(Count(open, QRect(73, 75, 40, 1), clRed), 40);
    EXPECT_EQ(At(open, 93, 70), clRed);
    EXPECT_EQ(At(open, 81, 79), clRed);
    EXPECT_EQ(Count(closed, QRect(73, 75, 40, 1), clRed), 1);

    // "V=Ve" is wider than "V"; "Vs" moves from (65, 75) to (55, 95).
    EXPECT_EQ(Count(closed, QRect(388, 10, 40, 20), clBlue), 0);
    EXPECT_GT(Count(open, QRect(388, 10, 40, 20), clBlue), 20);
    EXPECT_GT(Count(closed, QRect(65, 75, 25, 20), clRed), 10);
    EXPECT_GT(Count(open, QRect(55, 95, 25, 20), clRed) - 1, 10);

    // Everything away from those four places is the same picture.
    QRect same(150, 60, 299, 470);
    EXPECT_EQ(Differences(closed, open, same), 0);
}

TEST(Diagram, LeavesTheCanvasWithTransparentSymbolText) {
    TBitmap b;
    b.SetSize(449, 581);
    TCanvas& c = *b.Canvas();
    DrawBlockDiagram(c, DiagramVariant::Standard);
    EXPECT_EQ(c.Font.Name, QStringLiteral("Symbol"));
    EXPECT_EQ(c.Font.Size, 12);
    EXPECT_EQ(c.Font.Color, clBlack);
    // The next text has no background box over the button-face fill.
    c.Font.Name = "Arial";
    c.Font.Size = 8;
    c.Font.Color = clRed;
    c.TextOut(150, 400, "ATTENTION");
    const QRect box(150, 400, c.TextWidth("ATTENTION"), c.TextHeight("ATTENTION"));
    EXPECT_EQ(Count(b.Image(), box, clWhite), 0);
    EXPECT_GT(Count(b.Image(), box, clBtnFace), 0);
}
