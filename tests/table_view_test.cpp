// The plotter table's mechanics, driven directly with chosen numbers.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/globals.h"
#include "scenery/table_view.h"
#include "support/pixels.h"
#include "support/window_fixture.h"

namespace {

// A scene surface like FOND's: a fresh picture per frame.
struct Surface {
    TBitmap fond;
    void Frame(const TableMotion& m) {
        fond.Assign(*BackgroundBitmap);
        DrawTableView(*fond.Canvas(), m);
    }
};

}  // namespace

TEST(TableView, APenThatStandsStillDrawsOneDiagonalPixelPairPerRow) {
    WindowDriver d;
    Surface s;
    for (int k = 1; k <= 30; ++k)
        s.Frame({k, k, 200.0, 200.0, 190.0, 0.0, 0.0});
    const QImage& t = TableBitmap->Image();
    // Paper rows that earlier frames left below the top row each keep the lower end of a stroke.
    for (int row = 348 - 29; row <= 348 - 2; ++row) {
        if (All(t, QRect(10, row, 180, 1), clBlue)) continue;  // a grid line, redrawn every tick
        EXPECT_GT(Count(t, QRect(198, row, 5, 1), clRed), 0) << "row " << row;
        EXPECT_EQ(Count(t, QRect(0, row, 190, 1), clRed), 0) << "row " << row;
    }
    EXPECT_EQ(At(t, 200 - 190 + 190, 306 - 30 + 5), clBlue) << "sprite at Xs, row 306 - k";
}

TEST(TableView, FondShowsThePreviousTicksTableThreeRowsLower) {
    WindowDriver d;
    Surface s;
    s.Frame({10, 10, 150.0, 150.0, 140.0, 0.0, 0.0});
    s.Frame({11, 11, 150.0, 150.0, 140.0, 0.0, 0.0});
    const QImage& f = s.fond.Image();
    // Built at k = 10, laid at v = 11: a bitmap row c - 10 lands on FOND row c + 3.
    EXPECT_EQ(At(f, 200, 298), RGB(215, 215, 215)) << "the mask's white outline keeps row 298";
    EXPECT_EQ(At(f, 200, 299), clBlue) << "upper belt strand";
    EXPECT_EQ(At(f, 200, 328), clBlue) << "lower belt strand";
    EXPECT_EQ(At(f, 200, 350), clWhite) << "paper's top row";
    EXPECT_TRUE(All(f, QRect(140 + 32 + 2, 309 + 2, 17, 17), clBlue)) << "sprite top on row 309";
    EXPECT_EQ(At(f, 95, 314), clRed) << "left pulley centre at x 95";
    EXPECT_EQ(At(f, 382, 314), clRed) << "right pulley centre at x 382";
    EXPECT_EQ(At(f, 200, 297), RGB(215, 215, 215)) << "above the mask FOND is untouched";
}

TEST(TableView, SpokeStepErasesThePreviousSpoke) {
    WindowDriver d;
    TBitmap& p = *LeftPulley;
    SpokeStep(p, 0.0, 0.0);
    ASSERT_GT(Count(p.Image(), QRect(20, 13, 9, 4), clGreen), 5) << "spoke to the right";
    SpokeStep(p, 0.0, M_PI / 2);
    EXPECT_EQ(Count(p.Image(), QRect(20, 13, 9, 4), clGreen), 0) << "old spoke painted red";
    EXPECT_GT(Count(p.Image(), QRect(13, 20, 4, 9), clGreen), 5) << "new spoke downwards";
    SpokeStep(p, M_PI / 2, M_PI);
    EXPECT_EQ(Count(p.Image(), QRect(13, 20, 4, 9), clGreen), 0);
    EXPECT_GT(Count(p.Image(), QRect(1, 13, 9, 4), clGreen), 5) << "clockwise: then to the left";
}

TEST(TableView, PenOutsideTheBitmapIsClipped) {
    WindowDriver d;
    Surface s;
    s.Frame({5, 5, -500.0, 5000.0, -510.0, 0.0, 1.0});
    s.Frame({6, 6, 1e6, -1e6, 1e6, 1.0, 2.0});
    EXPECT_EQ(At(s.fond.Image(), 200, 299), clBlue) << "the rest of the table is drawn";
}

TEST(TableView, ANewLessonPaintsOverTheTracesLeftHigherInTheBitmap) {
    WindowDriver d;
    Surface s;
    s.Frame({0, 0, 50.0, 50.0, 40.0, 0.0, 0.0});  // a pen at rest, as on the idle screen
    for (int k = 1; k <= 100; ++k)
        s.Frame({k, k, 100.0, 100.0, 90.0, 0.0, 0.0});
    const QImage& t = TableBitmap->Image();
    ASSERT_GT(Count(t, QRect(95, 250, 10, 90), clRed), 20);
    s.Frame({1, 1, 300.0, 300.0, 290.0, 0.0, 0.0});
    EXPECT_EQ(Count(t, QRect(95, 0, 10, 346), clRed), 0) << "rows above the paper repainted";
    EXPECT_GT(Count(t, QRect(45, 348, 10, 1), clRed), 0) << "the bottom of the paper keeps them";
}
