// One-pixel lines on the canvas: first point painted, last point left out, whichever way the
// line runs, and one pixel per step of the longer axis, so that strokes joined end to end (the
// chart curves) make a line without gaps.
#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "canvas/canvas.h"
#include "support/pixels.h"

namespace {

using Pixels = std::set<std::pair<int, int>>;

// The pixels that MoveTo(x0, y0), LineTo(x1, y1) paints with a black pen of width 1.
Pixels Stroke(int x0, int y0, int x1, int y1) {
    TBitmap b;
    b.SetSize(40, 40);
    TCanvas& c = *b.Canvas();
    c.MoveTo(x0, y0);
    c.LineTo(x1, y1);
    Pixels painted;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            if (At(b.Image(), x, y) == clBlack) painted.insert({x, y});
    return painted;
}

}  // namespace

TEST(ThinLine, PaintsItsStartAndLeavesOutItsEndInEveryDirection) {
    EXPECT_EQ(Stroke(5, 5, 10, 5), (Pixels{{5, 5}, {6, 5}, {7, 5}, {8, 5}, {9, 5}}));
    EXPECT_EQ(Stroke(10, 5, 5, 5), (Pixels{{10, 5}, {9, 5}, {8, 5}, {7, 5}, {6, 5}}));
    EXPECT_EQ(Stroke(5, 5, 5, 8), (Pixels{{5, 5}, {5, 6}, {5, 7}}));
    EXPECT_EQ(Stroke(5, 8, 5, 5), (Pixels{{5, 8}, {5, 7}, {5, 6}}));
    EXPECT_EQ(Stroke(9, 9, 6, 6), (Pixels{{9, 9}, {8, 8}, {7, 7}}));
    EXPECT_EQ(Stroke(6, 9, 9, 6), (Pixels{{6, 9}, {7, 8}, {8, 7}}));
    EXPECT_TRUE(Stroke(5, 5, 5, 5).empty());
}

TEST(ThinLine, SteepOneColumnSegmentsHaveNoGaps) {
    // A chart segment one column wide climbing four rows: one pixel in each of the rows it
    // leaves, in the column nearest to the line (halfway, on the third row, goes left).
    EXPECT_EQ(Stroke(20, 20, 21, 16), (Pixels{{20, 20}, {20, 19}, {20, 18}, {21, 17}}));
    EXPECT_EQ(Stroke(20, 20, 21, 24), (Pixels{{20, 20}, {20, 21}, {20, 22}, {21, 23}}));
    // Three rows: the pixel nearest to the line in each row.
    EXPECT_EQ(Stroke(20, 20, 21, 17), (Pixels{{20, 20}, {20, 19}, {21, 18}}));
    EXPECT_EQ(Stroke(21, 17, 20, 20), (Pixels{{21, 17}, {21, 18}, {20, 19}}));
    // Joined end to end, two segments make one unbroken line (up to the last end, left out).
    TBitmap b;
    b.SetSize(40, 40);
    TCanvas& c = *b.Canvas();
    c.MoveTo(10, 30);
    c.LineTo(11, 25);
    c.LineTo(12, 22);
    for (int y = 23; y <= 30; ++y)
        EXPECT_GT(Count(b.Image(), QRect(10, y, 3, 1), clBlack), 0) << y;
}

TEST(ThinLine, HalfwayPixelsGoLeftOrUp) {
    // Two rows for one column: the line passes halfway between two pixels on the second row.
    EXPECT_EQ(Stroke(5, 10, 6, 12), (Pixels{{5, 10}, {5, 11}}));
    EXPECT_EQ(Stroke(6, 12, 5, 10), (Pixels{{6, 12}, {5, 11}}));
    // Two columns for one row: halfway on the second column, the upper pixel.
    EXPECT_EQ(Stroke(10, 5, 12, 6), (Pixels{{10, 5}, {11, 5}}));
    EXPECT_EQ(Stroke(12, 6, 10, 5), (Pixels{{12, 6}, {11, 5}}));
}

TEST(ThinLine, IsClippedToTheBitmap) {
    EXPECT_EQ(Stroke(-3, 2, 3, 2), (Pixels{{0, 2}, {1, 2}, {2, 2}}));
    EXPECT_EQ(Stroke(38, 39, 45, 39), (Pixels{{38, 39}, {39, 39}}));
}
