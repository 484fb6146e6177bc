// What the canvas keeps from one drawing call to the next never shows in the pixels: a picture
// that is copied, shared, resized or replaced gets exactly the drawing meant for it; areas it
// remembers as filled with one colour (to skip filling them again) draw as if it forgot them
// before every call. And the part of its picture a canvas reports as drawn on (what the window
// repaints) holds every pixel a drawing call changed, and nothing when lines and text are drawn
// again over themselves.
#include <gtest/gtest.h>

#include <array>
#include <random>
#include <utility>

#include "canvas/canvas.h"
#include "support/painter_reference.h"
#include "support/pixels.h"

TEST(CanvasReuse, CopiesTakenBetweenDrawingCallsKeepWhatTheyHad) {
    TBitmap b, assigned;
    TCanvas& c = Ground(b, 120, 40);
    UseFont(c, "Arial", 10);
    c.TextOut(2, 2, "avant");
    const QImage shared = std::as_const(b).Image();  // shares the picture
    assigned.Assign(b);                              // so does this bitmap
    const QImage snapshot = shared.copy();
    c.TextOut(2, 20, "après");
    c.Pen.Width = 2;
    c.MoveTo(60, 5);
    c.LineTo(100, 30);
    EXPECT_EQ(Differences(shared, snapshot), 0) << "the shared copy must not change";
    EXPECT_EQ(Differences(assigned.Image(), snapshot), 0) << "nor the assigned bitmap";
    EXPECT_GT(Differences(b.Image(), snapshot), 20) << "the bitmap itself got the drawing";
}

TEST(CanvasReuse, DrawingGoesToTheNewPictureAfterAResizeOrAReplacement) {
    TBitmap b;
    TCanvas& c = Ground(b, 60, 30);
    UseFont(c, "Arial", 10);
    c.TextOut(2, 2, "un");
    b.SetSize(120, 60);
    c.TextOut(70, 30, "deux");
    EXPECT_FALSE(Bounds(b.Image(), QRect(60, 0, 60, 60), clBlack).isEmpty());

    b.Image() = GroundImage({80, 40}, clWhite);
    c.TextOut(4, 4, "trois");
    EXPECT_GT(Count(b.Image(), QRect(0, 0, 80, 40), clBlack), 10);
}

TEST(CanvasReuse, AssignedPictureGetsItsOwnCopyWhateverTheFirstCallCovers) {
    TBitmap source;
    TCanvas& s = Ground(source, 50, 40, clGreen);
    s.Pen.Color = clRed;
    s.MoveTo(0, 0);
    s.LineTo(49, 39);
    const QImage original = source.Image().copy();
    // Rectangles inside, over the top rows, beyond every edge, outside; hatched; opaque text; a
    // thin line (from the pen's first place, the corner); an ellipse.
    const struct {
        int penWidth;
        TBrushStyle style;
        void (*draw)(TCanvas&);
    } calls[] = {
        {1, bsSolid, [](TCanvas& c) { c.Rectangle(5, 6, 30, 20); }},
        {1, bsSolid, [](TCanvas& c) { c.Rectangle(0, 0, 50, 20); }},
        {2, bsSolid, [](TCanvas& c) { c.Rectangle(-10, -10, 70, 70); }},
        {1, bsSolid, [](TCanvas& c) { c.Rectangle(60, 60, 90, 90); }},
        {1, bsCross, [](TCanvas& c) { c.Rectangle(3, 3, 40, 30); }},
        {1, bsSolid, [](TCanvas& c) { c.TextOut(10, 10, "texte"); }},
        {1, bsSolid, [](TCanvas& c) { c.LineTo(20, 39); }},
        {1, bsSolid, [](TCanvas& c) { c.Ellipse(10, 10, 30, 30); }},
    };
    for (const auto& call : calls) {
        TBitmap target, alone;  // `alone` gets the same call on a picture of its own
        target.Assign(source);
        Ground(alone, 50, 40);
        alone.Image() = original.copy();
        for (TBitmap* b : {&alone, &target}) {
            b->Canvas()->Pen.Width = call.penWidth;
            b->Canvas()->Brush.Color = clYellow;
            b->Canvas()->Brush.Style = call.style;
            call.draw(*b->Canvas());
        }
        EXPECT_EQ(Differences(target.Image(), alone.Image()), 0) << "call " << (&call - calls);
        EXPECT_EQ(Differences(source.Image(), original), 0) << "call " << (&call - calls);
    }

    // A copy onto the shared picture covers its area and keeps the rest.
    TBitmap sprite, target;
    Ground(sprite, 10, 10, clBlue);
    target.Assign(source);
    target.Canvas()->Draw(45, 5, &sprite);
    EXPECT_TRUE(All(target.Image(), QRect(45, 5, 5, 10), clBlue));
    EXPECT_EQ(Differences(target.Image(), original, QRect(0, 0, 45, 40)), 0);
    EXPECT_EQ(Differences(target.Image(), original, QRect(45, 15, 5, 25)), 0);
    EXPECT_EQ(Differences(source.Image(), original), 0);
}

// Random drawing calls of every kind, pen, brush and place, many off the picture; mostly
// rectangles of few colours that overlap a lot, as the table view's mask and picture are drawn
// tick after tick. The second bitmap's canvas forgets what it knew of its picture before every
// call.
class CanvasRandom : public testing::TestWithParam<unsigned> {};

TEST_P(CanvasRandom, EveryChangeIsReportedAndRememberedFillsNeverShow) {
    std::mt19937 random(GetParam());
    auto number = [&](int from, int to) { return from + static_cast<int>(random() % (to - from)); };
    auto near = [&](int value) { return number(value - 3, value + 4); };
    const TColor colours[] = {clBlack, clWhite, clBlue, clRed};
    TBitmap sprite;
    Ground(sprite, 17, 11, clWhite).Brush.Color = clMaroon;
    sprite.Canvas()->Ellipse(2, 2, 15, 9);

    TBitmap remembering, forgetting;
    TCanvas& c = Ground(remembering, 120, 90, clYellow);
    Ground(forgetting, 120, 90, clYellow);
    c.TakeDirtyRect();
    for (int step = 0; step < 800; ++step) {
        const unsigned op = random() % 12;
        // The points of the call, in and around the picture; for most rectangles, a band across.
        std::array<int, 6> p = {number(-20, 140), number(-20, 110), number(-20, 140),
                                number(-20, 110), number(-20, 140), number(-20, 110)};
        if (op < 5) p = {near(10), number(0, 90), near(110), number(0, 90), 0, 0};
        const TColor pen = colours[random() % 4], brush = colours[random() % 4];
        const int width = number(1, 3);
        const TBrushStyle style = op < 5 ? bsSolid : static_cast<TBrushStyle>(random() % 3);
        const bool transparent = random() % 2, symbol = random() % 2;
        const int points = number(6, 18);
        const auto mode = static_cast<TCopyMode>(random() % 3);
        const QImage& shown = std::as_const(remembering).Image();
        const QImage before = shown.copy();
        for (TBitmap* bitmap : {&remembering, &forgetting}) {
            if (bitmap == &forgetting) bitmap->Image();  // forgets what its canvas knew
            TCanvas& d = *bitmap->Canvas();
            d.Pen.Color = pen;
            d.Pen.Width = width;
            d.Brush.Color = brush;
            d.Brush.Style = style;
            if (transparent) SetBkMode(d.Handle(), TRANSPARENT);
            if (op < 6) {
                d.Rectangle(p[0], p[1], p[2], p[3]);
            } else if (op == 6) {
                d.MoveTo(p[0], p[1]);
                d.LineTo(p[2], p[3]);
            } else if (op == 7) {
                d.Ellipse(p[0], p[1], p[2], p[3]);
            } else if (op == 8) {
                UseFont(d, symbol ? "Symbol" : "Arial", points, pen, true);
                d.TextOut(p[0], p[1], "Réglage W q");
            } else if (op == 9) {
                d.CopyMode = mode;
                d.Draw(p[0], p[1], &sprite);
            } else {
                d.Polygon({{p[0], p[1]}, {p[2], p[3]}, {p[4], p[5]}});
            }
        }
        const QRect reported = c.TakeDirtyRect();
        ASSERT_EQ(reported.isEmpty() ? 0 : Differences(before, shown, reported),
                  Differences(before, shown))
            << "unreported change at step " << step << ", call " << op;
        ASSERT_EQ(Differences(shown, forgetting.Image()), 0) << "step " << step << ", call " << op;
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, CanvasRandom, testing::Range(1u, 11u));

TEST(CanvasDirty, LinesAndTextDrawnAgainOverThemselvesReportNothing) {
    TBitmap b;
    TCanvas& c = Ground(b, 120, 90, clWhite);
    auto draw = [&] {
        c.Pen.Color = clBlue;
        c.MoveTo(5, 30);
        c.LineTo(100, 5);
        c.MoveTo(5, 40);
        c.LineTo(110, 40);
        UseFont(c, "Arial", 10, clRed);
        c.TextOut(10, 50, "erreur de position=0");
    };
    draw();
    EXPECT_TRUE(c.TakeDirtyRect().contains(QRect(5, 6, 105, 35))) << "the first drawing";
    const QImage once = std::as_const(b).Image().copy();
    draw();
    EXPECT_TRUE(c.TakeDirtyRect().isEmpty()) << "the same drawing again changes nothing";
    EXPECT_EQ(Differences(once, std::as_const(b).Image()), 0);

    c.Font.Color = clGreen;
    c.TextOut(10, 50, "erreur de position=0");
    const QRect recoloured = c.TakeDirtyRect();
    EXPECT_FALSE(recoloured.isEmpty());
    EXPECT_TRUE(QRect(0, 45, 120, 25).contains(recoloured)) << "only the text's own pixels";
}

// (Drawing calls over a filled area are covered by the random runs above.)
TEST(CanvasMemory, APictureTakenForWritingIsFilledAgain) {
    TBitmap b;
    TCanvas& c = Ground(b, 60, 40, clWhite);
    c.Brush.Color = clBlack;
    c.Rectangle(0, 0, 60, 40);
    b.Image().setPixel(58, 38, qRgb(255, 255, 255));  // behind the canvas's back
    c.Rectangle(0, 0, 60, 40);
    EXPECT_TRUE(All(b.Image(), QRect(0, 0, 60, 40), clBlack));
}
