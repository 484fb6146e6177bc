// The part of its picture a canvas reports as drawn on (what the window repaints) holds every
// pixel a drawing call changed, and drawing again what is already there reports nothing for the
// calls that can tell. What the canvas remembers of its picture to save work (areas filled with
// one colour) never shows: a canvas that forgets it before every call draws the same pixels.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>

#include "canvas/canvas.h"
#include "support/pixels.h"

namespace {

constexpr int kWidth = 120;
constexpr int kHeight = 90;

// Pixels that differ between the two pictures and lie outside `reported`.
int Unreported(const QImage& before, const QImage& after, const QRect& reported) {
    int n = 0;
    for (int y = 0; y < after.height(); ++y)
        for (int x = 0; x < after.width(); ++x)
            if (At(before, x, y) != At(after, x, y) && !reported.contains(x, y)) ++n;
    return n;
}

}  // namespace

class CanvasDirtyRandom : public testing::TestWithParam<unsigned> {};

TEST_P(CanvasDirtyRandom, EveryChangedPixelIsReported) {
    std::mt19937 random(GetParam());
    auto coord = [&](int size) { return static_cast<int>(random() % (size + 40)) - 20; };
    const TColor colours[] = {clRed, clBlue, clWhite, clBlack, clGreen, clYellow};
    auto colour = [&] { return colours[random() % 6]; };

    TBitmap sprite;
    sprite.SetSize(17, 11);
    sprite.Canvas()->Brush.Color = clMaroon;
    sprite.Canvas()->Rectangle(2, 2, 15, 9);

    TBitmap b;
    b.SetSize(kWidth, kHeight);
    TCanvas& c = *b.Canvas();
    c.TakeDirtyRect();
    for (int step = 0; step < 600; ++step) {
        const QImage before = b.Image().copy();
        const int op = static_cast<int>(random() % 6);
        c.Pen.Color = colour();
        c.Pen.Width = 1 + static_cast<int>(random() % 2);
        c.Brush.Color = colour();
        c.Brush.Style = static_cast<TBrushStyle>(random() % 3);
        if (random() % 2) SetBkMode(c.Handle(), TRANSPARENT);
        std::string what;
        switch (op) {
            case 0:
                what = "line";
                c.MoveTo(coord(kWidth), coord(kHeight));
                c.LineTo(coord(kWidth), coord(kHeight));
                break;
            case 1:
            case 2: {
                const int l = coord(kWidth), t = coord(kHeight), r = coord(kWidth),
                          bottom = coord(kHeight);
                what = (op == 1 ? "rectangle " : "ellipse ") + std::to_string(l) + " " +
                       std::to_string(t) + " " + std::to_string(r) + " " + std::to_string(bottom) +
                       " pen " + std::to_string(c.Pen.Width);
                if (op == 1) c.Rectangle(l, t, r, bottom);
                if (op == 2) c.Ellipse(l, t, r, bottom);
                break;
            }
            case 3:
                what = "text";
                c.Font.Name = random() % 2 ? "Arial" : "Symbol";
                c.Font.Size = 6 + static_cast<int>(random() % 12);
                c.Font.Color = colour();
                c.TextOut(coord(kWidth), coord(kHeight), "Réglage W q");
                break;
            case 4:
                what = "copy";
                c.CopyMode = static_cast<TCopyMode>(random() % 3);
                c.Draw(coord(kWidth), coord(kHeight), &sprite);
                break;
            case 5:
                what = "polygon";
                c.Polygon({{coord(kWidth), coord(kHeight)},
                           {coord(kWidth), coord(kHeight)},
                           {coord(kWidth), coord(kHeight)}});
                break;
        }
        const QRect reported = c.TakeDirtyRect();
        ASSERT_EQ(Unreported(before, b.Image(), reported), 0) << "step " << step << ": " << what;
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, CanvasDirtyRandom, testing::Range(1u, 9u));

TEST(CanvasDirty, LinesAndTextDrawnAgainOverThemselvesReportNothing) {
    TBitmap b;
    b.SetSize(kWidth, kHeight);
    TCanvas& c = *b.Canvas();
    SetBkMode(c.Handle(), TRANSPARENT);
    auto draw = [&] {
        c.Pen.Color = clBlue;
        c.MoveTo(5, 30);
        c.LineTo(100, 5);
        c.MoveTo(5, 40);
        c.LineTo(110, 40);
        c.Font.Name = "Arial";
        c.Font.Size = 10;
        c.Font.Color = clRed;
        c.TextOut(10, 50, "erreur de position=0");
    };
    draw();
    const QRect first = c.TakeDirtyRect();
    EXPECT_TRUE(first.contains(QRect(5, 6, 105, 35))) << "the first drawing is reported";
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

class CanvasMemoryRandom : public testing::TestWithParam<unsigned> {};

TEST_P(CanvasMemoryRandom, RememberedFillsNeverChangeThePicture) {
    std::mt19937 random(GetParam());
    // Few colours and rectangles that overlap a lot, with other drawing in between, as the
    // table view's mask and picture are drawn tick after tick.
    const TColor colours[] = {clBlack, clWhite, clBlue};
    auto colour = [&] { return colours[random() % 3]; };
    auto near = [&](int value) { return value + static_cast<int>(random() % 7) - 3; };

    TBitmap sprite;
    sprite.SetSize(9, 9);
    sprite.Canvas()->Brush.Color = clRed;
    sprite.Canvas()->Ellipse(0, 0, 9, 9);

    TBitmap remembering, forgetting;
    for (TBitmap* b : {&remembering, &forgetting}) {
        b->SetSize(kWidth, kHeight);
        b->Image().fill(ToQColor(clYellow));
    }
    for (int step = 0; step < 800; ++step) {
        const unsigned op = random() % 10;
        const int l = near(10), t = near(static_cast<int>(random() % kHeight)),
                  r = near(kWidth - 10), b = near(static_cast<int>(random() % kHeight));
        const int x = static_cast<int>(random() % kWidth), y = static_cast<int>(random() % kHeight);
        const int x1 = near(x), y1 = near(y) + 20;
        const TColor pen = colour(), brush = colour();
        const int width = 1 + static_cast<int>(random() % 2);
        for (TBitmap* bitmap : {&remembering, &forgetting}) {
            if (bitmap == &forgetting) bitmap->Image();  // forgets what its canvas knew
            TCanvas& c = *bitmap->Canvas();
            c.Pen.Color = pen;
            c.Pen.Width = width;
            c.Brush.Color = brush;
            c.Brush.Style = bsSolid;
            if (op < 6) {
                c.Rectangle(l, t, r, b);
            } else if (op == 6) {
                c.MoveTo(x, y);
                c.LineTo(x1, y1);
            } else if (op == 7) {
                c.Font.Name = "Arial";
                c.Font.Size = 8;
                c.Font.Color = pen;
                c.TextOut(x, y, "Vs");
            } else if (op == 8) {
                c.CopyMode = cmSrcCopy;
                c.Draw(x, y, &sprite);
            } else {
                c.Ellipse(x, y, x + 12, y + 8);
            }
        }
        ASSERT_EQ(Differences(std::as_const(remembering).Image(), forgetting.Image()), 0)
            << "step " << step;
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, CanvasMemoryRandom, testing::Range(1u, 6u));

TEST(CanvasMemory, DrawingOverAFilledAreaIsCoveredByTheNextFill) {
    TBitmap b;
    b.SetSize(60, 40);
    TCanvas& c = *b.Canvas();
    c.Pen.Color = clBlack;
    c.Brush.Color = clBlack;
    c.Rectangle(0, 0, 60, 40);
    c.Pen.Color = clWhite;
    c.MoveTo(5, 5);
    c.LineTo(50, 30);  // a thin line
    c.Pen.Width = 2;
    c.MoveTo(5, 30);
    c.LineTo(50, 5);  // a wide one, by the painter
    c.Font.Color = clWhite;
    c.TextOut(20, 10, "texte");
    b.Image().setPixel(58, 38, qRgb(255, 255, 255));  // from outside
    c.Pen.Width = 1;
    c.Pen.Color = clBlack;
    c.Rectangle(0, 0, 60, 40);
    EXPECT_TRUE(All(b.Image(), QRect(0, 0, 60, 40), clBlack));
}
