// The canvas layer, by its pixels. (Rectangles, wide lines, copies in every mode and text are
// compared pixel for pixel with Qt's own painter in canvas_raster_test.)
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <algorithm>
#include <cstdlib>
#include <set>
#include <utility>

#include "canvas/canvas.h"
#include "support/painter_reference.h"
#include "support/pixels.h"

TEST(Bitmap, NewBitmapsAreWhiteAndKeepTheirPictureWhenGrown) {
    TBitmap b;
    EXPECT_EQ(b.Width(), 0);
    b.SetWidth(20);
    EXPECT_EQ(b.Height(), 0);
    b.SetHeight(40);
    ASSERT_EQ(b.Image().size(), QSize(20, 40));
    EXPECT_TRUE(All(b.Image(), QRect(0, 0, 20, 40), clWhite));

    b.Canvas()->Pen.Color = clRed;
    b.Canvas()->MoveTo(0, 0);
    b.Canvas()->LineTo(5, 0);
    b.SetWidth(30);
    EXPECT_EQ(At(b.Image(), 4, 0), clRed) << "growing keeps what was drawn";
    EXPECT_TRUE(All(b.Image(), QRect(20, 0, 10, 40), clWhite)) << "the new area is white";
}

TEST(Bitmap, AssignCopiesThePictureAndResetsTheCanvas) {
    TBitmap source, target;
    Ground(source, 10, 10, clGreen);
    TCanvas& c = Ground(target, 3, 3);
    c.Pen.Color = clRed;
    c.Pen.Width = 3;
    c.Font.Name = "Symbol";
    c.CopyMode = cmSrcAnd;
    target.Assign(source);
    EXPECT_EQ(target.Width(), 10);
    EXPECT_TRUE(All(target.Image(), QRect(0, 0, 10, 10), clGreen));
    EXPECT_EQ(c.Pen.Color, clBlack);
    EXPECT_EQ(c.Pen.Width, 1);
    EXPECT_EQ(c.Font.Name, QStringLiteral("MS Sans Serif"));
    EXPECT_EQ(c.CopyMode, cmSrcCopy);
}

namespace {

using Pixels = std::set<std::pair<int, int>>;

// The pixels that MoveTo(x0, y0), LineTo(x1, y1) paints with the default pen (black, width 1) on
// a white 40 x 40 bitmap. The pen ends at (x1, y1) whatever was painted.
Pixels Stroke(int x0, int y0, int x1, int y1) {
    TBitmap b;
    TCanvas& c = Ground(b, 40, 40, clWhite);
    c.MoveTo(x0, y0);
    c.LineTo(x1, y1);
    EXPECT_EQ(c.PenPos(), QPoint(x1, y1));
    Pixels painted;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            if (At(b.Image(), x, y) == clBlack) painted.insert({x, y});
    return painted;
}

}  // namespace

// Width-1 strokes paint their start and leave out their end, with one pixel per step along their
// longer side, each within half a pixel of the true line (so, without gaps): the segments that a
// chart adds one per tick join without doubling or gaps.
TEST(Lines, ThinStrokeInEveryDirectionPaintsOnePixelPerStepAndLeavesOutItsEnd) {
    for (int dx = -9; dx <= 9; ++dx) {
        for (int dy = -9; dy <= 9; ++dy) {
            if (dx == 0 && dy == 0) continue;
            SCOPED_TRACE(testing::Message() << "from (20, 20) by (" << dx << ", " << dy << ")");
            const Pixels painted = Stroke(20, 20, 20 + dx, 20 + dy);
            const bool flat = std::abs(dx) >= std::abs(dy);
            const int steps = flat ? std::abs(dx) : std::abs(dy);
            EXPECT_TRUE(painted.count({20, 20}));
            std::set<int> stepsPainted;
            for (const auto& [x, y] : painted) {
                // The pixel's step along the longer side, and its distance across from the line.
                const int step = flat ? (x - 20) * dx / steps : (y - 20) * dy / steps;
                const double off = flat ? y - 20 - static_cast<double>(step) * dy / steps
                                        : x - 20 - static_cast<double>(step) * dx / steps;
                EXPECT_TRUE(step >= 0 && step < steps) << "(" << x << ", " << y << ")";
                EXPECT_LE(std::abs(off), 0.5) << "(" << x << ", " << y << ")";
                stepsPainted.insert(step);
            }
            EXPECT_EQ(static_cast<int>(painted.size()), steps);
            EXPECT_EQ(static_cast<int>(stepsPainted.size()), steps);
        }
    }
}

// (Straight and diagonal strokes, and those that pass off-centre, are fixed by the rule above;
// here the ties, the empty stroke and the clipping.)
TEST(Lines, ShortStrokesPaintExactlyThesePixels) {
    const struct {
        int x0, y0, x1, y1;
        Pixels expected;
        const char* what;
    } cases[] = {
        {5, 5, 5, 5, {}, "no length: nothing"},
        // A chart segment one column wide climbing or falling four rows: one pixel in each row it
        // leaves, in the column nearest to the line (halfway, on the third row, goes left).
        {20, 20, 21, 16, {{20, 20}, {20, 19}, {20, 18}, {21, 17}}, "steep up"},
        {20, 20, 21, 24, {{20, 20}, {20, 21}, {20, 22}, {21, 23}}, "steep down"},
        // Halfway between two pixels the left or the upper one is taken.
        {5, 10, 6, 12, {{5, 10}, {5, 11}}, "two rows for one column"},
        {6, 12, 5, 10, {{6, 12}, {5, 11}}, "two rows for one column, reversed"},
        {10, 5, 12, 6, {{10, 5}, {11, 5}}, "two columns for one row"},
        {12, 6, 10, 5, {{12, 6}, {11, 5}}, "two columns for one row, reversed"},
        // Strokes leaving the bitmap are clipped, and the pen still ends at the end point.
        {-3, 2, 3, 2, {{0, 2}, {1, 2}, {2, 2}}, "from outside on the left"},
        {38, 39, 45, 39, {{38, 39}, {39, 39}}, "out on the right"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Stroke(c.x0, c.y0, c.x1, c.y1), c.expected) << c.what;
    Pixels row;
    for (int x = 0; x < 40; ++x)
        row.insert({x, 5});
    EXPECT_EQ(Stroke(-5, 5, 45, 5), row) << "across the whole bitmap";
}

// (Segments each moved to their start, one per column as the charts add them, join as the short
// strokes above show: each paints its start and leaves out its end.)
TEST(Lines, SegmentsContinuedFromThePenJoinWithoutGapOrOverlap) {
    TBitmap b;
    TCanvas& c = Ground(b, 40, 40, clWhite);
    // Continued from the pen position: one pixel on each row from 30 up to 23, none on row 22.
    c.MoveTo(10, 30);
    c.LineTo(11, 25);
    c.LineTo(12, 22);
    for (int y = 23; y <= 30; ++y)
        EXPECT_EQ(Count(b.Image(), QRect(0, y, 40, 1), clBlack), 1) << "row " << y;
    EXPECT_EQ(Count(b.Image(), b.Image().rect(), clBlack), 8);
}

TEST(Shapes, EllipseAndPolygonStayInTheirBox) {
    TBitmap b;
    TCanvas& c = Ground(b, 40, 40, clWhite);
    c.Pen.Color = clBtnFace;
    c.Brush.Color = clRed;
    c.Ellipse(0, 0, 30, 30);
    QRect disc =
        Bounds(b.Image(), b.Image().rect(), clRed) | Bounds(b.Image(), b.Image().rect(), clBtnFace);
    EXPECT_EQ(disc, QRect(0, 0, 30, 30));
    EXPECT_EQ(At(b.Image(), 15, 15), clRed);
    EXPECT_EQ(At(b.Image(), 0, 0), clWhite) << "corners stay outside the disc";

    Ground(b, 40, 40, clWhite);
    c.Pen.Color = clBlue;
    c.Brush.Color = clYellow;
    c.Polygon({{5, 5}, {25, 5}, {15, 25}});
    EXPECT_EQ(At(b.Image(), 15, 10), clYellow);
    EXPECT_EQ(At(b.Image(), 15, 5), clBlue);
    EXPECT_EQ(At(b.Image(), 5, 20), clWhite);
}

TEST(Text, PointSizesAreNinetySixDpiPixels) {
    for (auto [points, pixels] :
         {std::pair{6, 8}, {7, 9}, {8, 11}, {10, 13}, {12, 16}, {15, 20}, {40, 53}})
        EXPECT_EQ(PointsToPixels(points), pixels) << points << " pt";
}

TEST(Text, BackgroundFollowsTheBrushUntilSetTransparent) {
    TBitmap b;
    TCanvas& c = Ground(b, 200, 60, clRed);
    UseFont(c, "Arial", 8, clBlack, true);
    const QFontMetrics metrics(MakeFont("Arial", PointsToPixels(8), false));
    const QRect box(5, 5, metrics.horizontalAdvance("erreur"), metrics.height());
    EXPECT_EQ(box.size(), QSize(c.TextWidth("erreur"), c.TextHeight("erreur")));

    // A fresh canvas draws text on an opaque ground in its (white) brush, exactly over the
    // string's advance and the font's line height; the second time from what the canvas kept.
    for (int round = 0; round < 2; ++round) {
        Ground(b, 200, 60, clRed);
        c.TextOut(5, 5, "erreur");
        EXPECT_EQ(Count(b.Image(), box, clWhite) + Count(b.Image(), box, clBlack),
                  box.width() * box.height());
        EXPECT_GT(Count(b.Image(), box, clBlack), 20);
        EXPECT_EQ(Count(b.Image(), b.Image().rect(), clRed), 200 * 60 - box.width() * box.height());
    }

    // Transparent: the red ground shows between the letters.
    SetBkMode(c.Handle(), TRANSPARENT);
    c.TextOut(5, 25, "erreur");
    EXPECT_GT(Count(b.Image(), box.translated(0, 20), clRed), 0);
    EXPECT_EQ(Count(b.Image(), box.translated(0, 20), clWhite), 0);

    // Setting a solid brush, even to the colour it already has, makes the next text opaque.
    c.Brush.Color = clBtnFace;
    c.TextOut(100, 5, "erreur");
    EXPECT_GT(Count(b.Image(), box.translated(95, 0), clBtnFace), 0);
    SetBkMode(c.Handle(), TRANSPARENT);
    c.Brush.Color = clBtnFace;
    c.TextOut(100, 25, "erreur");
    EXPECT_GT(Count(b.Image(), box.translated(95, 20), clBtnFace), 0);
    EXPECT_EQ(Count(b.Image(), box.translated(95, 20), clRed), 0);

    // A hatched brush leaves the text ground unpainted.
    Ground(b, 200, 60, clRed);
    c.Brush.Style = bsCross;
    c.TextOut(5, 5, "erreur");
    EXPECT_GT(Count(b.Image(), box, clRed), 0);
    EXPECT_EQ(Count(b.Image(), box, clBtnFace), 0);
}

// In the face "Symbol", W is a capital omega and q a small theta.
TEST(Text, SymbolFaceShowsOmegaAndTheta) {
    QImage w, latinW, q, latinQ;
    // Draws the text in black, 24 pt, on white; gives the box of its ink.
    auto ink = [](const char* face, const char* text, QImage& out) {
        TBitmap b;
        TCanvas& c = Ground(b, 60, 60, clWhite);
        UseFont(c, face, 24);
        c.TextOut(10, 10, text);
        out = b.Image().copy();
        return Bounds(out, out.rect(), clBlack);
    };
    const QRect omega = ink("Symbol", "W", w), latin = ink("Arial", "W", latinW);
    const QRect theta = ink("Symbol", "q", q), latinq = ink("Arial", "q", latinQ);
    ASSERT_FALSE(omega.isEmpty() || theta.isEmpty());
    // A Latin W has ink at both ends of its top row; an omega's top row is an arch, well inside.
    auto topRowLeft = [](const QImage& im, const QRect& r) {
        return Bounds(im, QRect(r.left(), r.top(), r.width(), 1), clBlack).left() - r.left();
    };
    EXPECT_EQ(topRowLeft(latinW, latin), 0);
    EXPECT_GT(topRowLeft(w, omega), omega.width() / 5) << "W in Symbol is not a Latin W";
    // An omega stands on two feet at the outer edges of its bottom row, with a gap between.
    EXPECT_EQ(At(w, omega.left(), omega.bottom()), clBlack);
    EXPECT_EQ(At(w, omega.right(), omega.bottom()), clBlack);
    EXPECT_EQ(At(w, omega.center().x(), omega.bottom()), clWhite);

    // A theta is a tall closed oval (as tall as a capital), a q a short bowl with a descender.
    EXPECT_LT(latinq.top(), latinq.bottom());
    EXPECT_LT(theta.top() + 3, latinq.top()) << "theta rises above the x-height of a q";
    EXPECT_LT(theta.bottom() + 3, latinq.bottom()) << "theta has no descender";
    // Its middle row crosses from one side of the oval to the other.
    const int mid = theta.center().y();
    EXPECT_GT(Count(q, QRect(theta.left(), mid - 1, theta.width(), 3), clBlack), theta.width());
}
