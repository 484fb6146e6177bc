// Width-1 strokes keep their first point and leave out their last one, in every direction, so
// that the segments a chart adds one per tick join without doubling or gaps.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "canvas/canvas.h"
#include "support/pixels.h"

TEST(LineEnds, ThinStrokeKeepsItsStartAndLeavesOutItsEndInEveryDirection) {
    for (int dx = -6; dx <= 6; ++dx) {
        for (int dy = -6; dy <= 6; ++dy) {
            if (dx == 0 && dy == 0) continue;
            TBitmap b;
            b.SetSize(20, 20);
            TCanvas& c = *b.Canvas();
            c.Pen.Color = clBlack;
            c.Pen.Width = 1;
            c.MoveTo(8, 8);
            c.LineTo(8 + dx, 8 + dy);
            SCOPED_TRACE(testing::Message() << "towards (" << dx << ", " << dy << ")");
            EXPECT_EQ(At(b.Image(), 8, 8), clBlack);
            EXPECT_EQ(At(b.Image(), 8 + dx, 8 + dy), clWhite);
            EXPECT_EQ(Count(b.Image(), b.Image().rect(), clBlack),
                      std::max(std::abs(dx), std::abs(dy)));
            EXPECT_EQ(c.PenPos(), QPoint(8 + dx, 8 + dy));
        }
    }
}

TEST(LineEnds, SegmentsDrawnOneAfterTheOtherJoinWithoutGapOrOverlap) {
    // A curve climbing two rows per column, as a chart draws it tick by tick.
    TBitmap b;
    b.SetSize(20, 30);
    TCanvas& c = *b.Canvas();
    c.Pen.Color = clRed;
    for (int i = 0; i < 5; ++i) {
        c.MoveTo(2 + i, 20 - 2 * i);
        c.LineTo(3 + i, 18 - 2 * i);
    }
    // Rows 20 down to 11 hold one pixel each; row 10, the end of the last stroke, none.
    for (int y = 11; y <= 20; ++y)
        EXPECT_EQ(Count(b.Image(), QRect(0, y, 20, 1), clRed), 1) << y;
    EXPECT_EQ(Count(b.Image(), QRect(0, 10, 20, 1), clRed), 0);
    EXPECT_EQ(Count(b.Image(), b.Image().rect(), clRed), 10);
}

TEST(LineEnds, WidePensStillCoverBothEnds) {
    TBitmap b;
    b.SetSize(20, 20);
    TCanvas& c = *b.Canvas();
    c.Pen.Color = clBlack;
    c.Pen.Width = 2;
    c.MoveTo(12, 14);
    c.LineTo(5, 4);
    EXPECT_EQ(At(b.Image(), 12, 14), clBlack);
    EXPECT_EQ(At(b.Image(), 5, 4), clBlack);
}
