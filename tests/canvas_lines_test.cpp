// One-pixel lines in every direction: the start point is painted, the end point is not, and the
// pixels in between form an unbroken stroke with one pixel per step along the longer side.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <utility>
#include <vector>

#include "canvas/canvas.h"
#include "support/pixels.h"

namespace {

using Pixel = std::pair<int, int>;

std::set<Pixel> LinePixels(int x0, int y0, int x1, int y1) {
    TBitmap b;
    b.SetSize(40, 40);
    TCanvas& c = *b.Canvas();
    c.Pen.Color = clBlack;
    c.Pen.Width = 1;
    c.MoveTo(x0, y0);
    c.LineTo(x1, y1);
    std::set<Pixel> painted;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            if (At(b.Image(), x, y) == clBlack) painted.insert({x, y});
    return painted;
}

}  // namespace

TEST(CanvasLines, EveryDirectionPaintsItsStartAndLeavesOutItsEnd) {
    // From the centre (20, 20) towards the eight octants, steep and flat, and the axes.
    const std::vector<Pixel> ends = {{23, 14}, {26, 17}, {26, 23}, {23, 26}, {17, 26}, {14, 23},
                                     {14, 17}, {17, 14}, {20, 12}, {28, 20}, {20, 28}, {12, 20},
                                     {26, 14}, {14, 26}, {22, 17}, {17, 22}};
    for (const auto& [x1, y1] : ends) {
        SCOPED_TRACE(testing::Message() << "to (" << x1 << ", " << y1 << ")");
        const std::set<Pixel> painted = LinePixels(20, 20, x1, y1);
        EXPECT_TRUE(painted.count({20, 20}));
        EXPECT_FALSE(painted.count({x1, y1}));
        const int steps = std::max(std::abs(x1 - 20), std::abs(y1 - 20));
        EXPECT_EQ(static_cast<int>(painted.size()), steps);
        // Unbroken, and every pixel no further from the end than the previous one.
        for (const auto& [x, y] : painted) {
            if (x == 20 && y == 20) continue;
            bool joined = false;
            for (const auto& [px, py] : painted)
                if (std::abs(px - x) <= 1 && std::abs(py - y) <= 1 && (px != x || py != y))
                    joined = true;
            EXPECT_TRUE(joined) << "(" << x << ", " << y << ") stands alone";
            EXPECT_LE(std::max(std::abs(x1 - x), std::abs(y1 - y)), steps - 1);
        }
    }
}

TEST(CanvasLines, SteepUpwardStrokeOfACurve) {
    // A chart segment climbing three rows in one column step.
    TBitmap b;
    b.SetSize(60, 400);
    TCanvas& c = *b.Canvas();
    c.Pen.Color = clBlue;
    c.MoveTo(52, 388);
    c.LineTo(53, 385);
    EXPECT_EQ(At(b.Image(), 52, 388), clBlue);
    EXPECT_EQ(At(b.Image(), 52, 387), clBlue);
    EXPECT_EQ(At(b.Image(), 53, 386), clBlue);
    EXPECT_EQ(At(b.Image(), 53, 385), clWhite);
    EXPECT_EQ(Count(b.Image(), QRect(50, 380, 6, 12), clBlue), 3);
    // The next segment starts where this one stopped: the stroke has no gap and no double pixel.
    c.LineTo(54, 383);
    EXPECT_EQ(At(b.Image(), 53, 385), clBlue);
    EXPECT_EQ(Count(b.Image(), QRect(50, 380, 6, 12), clBlue), 5);
}

TEST(CanvasLines, LinesLeavingTheBitmapAreClipped) {
    TBitmap b;
    b.SetSize(10, 10);
    TCanvas& c = *b.Canvas();
    c.Pen.Color = clRed;
    c.MoveTo(-5, 5);
    c.LineTo(15, 5);
    EXPECT_TRUE(All(b.Image(), QRect(0, 5, 10, 1), clRed));
    EXPECT_EQ(Count(b.Image(), QRect(0, 0, 10, 10), clRed), 10);
    EXPECT_EQ(c.PenPos(), QPoint(15, 5));
}
