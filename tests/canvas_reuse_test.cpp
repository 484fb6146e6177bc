// What the canvas keeps from one drawing call to the next (its painter, the laid-out text of the
// strings it has drawn, a picture shared with the bitmap it was copied from) never shows in the
// pixels: text looks as the painter draws it at its baseline, in whatever order fonts and
// strings come, and a picture that is copied, shared, resized or replaced gets exactly the
// drawing meant for it.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QPainter>

#include "canvas/canvas.h"
#include "support/painter_reference.h"
#include "support/pixels.h"

namespace {

// The text as the painter draws it, baseline at y + ascent, on the given ground.
QImage PainterText(QSize size, int x, int y, const QString& face, int points, bool bold,
                   TColor colour, const QString& text) {
    const QFont font = MakeFont(face, PointsToPixels(points), bold);
    return PainterPicture(GroundImage(size), [&](QPainter& p) {
        p.setFont(font);
        p.setPen(ToQColor(colour));
        p.drawText(QPoint(x, y + QFontMetrics(font).ascent()), text);
    });
}

struct Label {
    const char* face;
    int points;
    bool bold;
    TColor colour;
    const char* text;
};

// Strings and fonts of the scenes, with the same string in several fonts one after the other.
const Label kLabels[] = {
    {"Arial", 8, false, clBlue, "L'amplificateur de réglage est un ampli de"},
    {"Arial", 10, false, clRed, "L'amplificateur de réglage est un ampli de"},
    {"Arial", 8, true, clBlue, "L'amplificateur de réglage est un ampli de"},
    {"MS Sans Serif", 6, false, clBlue, "Amplificateur"},
    {"MS Sans Serif", 15, false, clGreen, "Ve"},
    {"Arial", 15, false, clGreen, "Ve"},
    {"Symbol", 12, false, clHighlight, "W"},
    {"Symbol", 10, false, clBlue, "q"},
    {"Arial", 40, false, clRed, "ATTENTION"},
    {"Arial", 7, false, clMaroon, "erreur de vitesse = a/k"},
    {"Arial", 8, false, clBlack, "Moteur à"},
    {"Arial", 8, false, clBlack, "(mesure sur un tour MAXI)."},
};

}  // namespace

TEST(CanvasText, EveryStringLooksAsThePainterDrawsItInEveryFontAndOrder) {
    TBitmap b;
    // Twice through: the second time every string comes from what the canvas kept.
    for (int round = 0; round < 2; ++round) {
        for (const Label& label : kLabels) {
            Ground(b, 640, 60);
            TCanvas& c = *b.Canvas();
            SetBkMode(c.Handle(), TRANSPARENT);
            c.Font.Name = label.face;
            c.Font.Size = label.points;
            c.Font.Bold = label.bold;
            c.Font.Color = label.colour;
            const QString text = QString::fromUtf8(label.text);
            c.TextOut(5, 7, text);
            const QImage expected = PainterText(QSize(640, 60), 5, 7, label.face, label.points,
                                                label.bold, label.colour, text);
            EXPECT_EQ(Differences(expected, b.Image()), 0)
                << label.face << " " << label.points << (label.bold ? " bold " : " ") << label.text;
            const int advance =
                QFontMetrics(MakeFont(label.face, PointsToPixels(label.points), label.bold))
                    .horizontalAdvance(text);
            EXPECT_EQ(c.PenPos(), QPoint(5 + advance, 7)) << label.text;
            EXPECT_EQ(c.TextWidth(text), advance) << label.text;
        }
    }
}

TEST(CanvasText, OpaqueGroundCoversTheAdvanceAndTheLineHeight) {
    TBitmap b;
    for (int round = 0; round < 2; ++round) {
        Ground(b, 200, 40);
        TCanvas& c = *b.Canvas();
        c.Brush.Color = clYellow;
        c.Font.Name = "Arial";
        c.Font.Size = 8;
        c.Font.Color = clBlue;
        c.TextOut(10, 12, "erreur de position=0");
        const QFont font = MakeFont("Arial", PointsToPixels(8), false);
        const QFontMetrics metrics(font);
        const QRect ground(10, 12, metrics.horizontalAdvance("erreur de position=0"),
                           metrics.height());
        EXPECT_EQ(Count(b.Image(), ground, clYellow) + Count(b.Image(), ground, clBlue),
                  ground.width() * ground.height());
        EXPECT_GT(Count(b.Image(), ground, clBlue), 50);
        EXPECT_EQ(Count(b.Image(), b.Image().rect(), kGround),
                  200 * 40 - ground.width() * ground.height());
    }
}

TEST(CanvasReuse, ACopyTakenBetweenDrawingCallsKeepsWhatItHad) {
    TBitmap b;
    Ground(b, 120, 40);
    TCanvas& c = *b.Canvas();
    SetBkMode(c.Handle(), TRANSPARENT);
    c.Font.Name = "Arial";
    c.Font.Size = 10;
    c.TextOut(2, 2, "avant");
    const QImage before = std::as_const(b).Image();  // shares the picture
    const QImage snapshot = before.copy();
    c.TextOut(2, 20, "après");
    c.Pen.Width = 2;
    c.MoveTo(60, 5);
    c.LineTo(100, 30);
    EXPECT_EQ(Differences(before, snapshot), 0) << "the shared copy must not change";
    EXPECT_GT(Differences(b.Image(), snapshot), 20) << "the bitmap itself got the drawing";
}

TEST(CanvasReuse, DrawingGoesToTheNewPictureAfterAResizeOrAReplacement) {
    TBitmap b;
    Ground(b, 60, 30);
    TCanvas& c = *b.Canvas();
    SetBkMode(c.Handle(), TRANSPARENT);
    c.Font.Name = "Arial";
    c.Font.Size = 10;
    c.TextOut(2, 2, "un");
    b.SetSize(120, 60);
    c.TextOut(70, 30, "deux");
    EXPECT_EQ(Bounds(b.Image(), QRect(60, 0, 60, 60), clBlack).isEmpty(), false);

    b.Image() = QImage(80, 40, QImage::Format_RGB32);
    b.Image().fill(ToQColor(clWhite));
    c.TextOut(4, 4, "trois");
    EXPECT_GT(Count(b.Image(), QRect(0, 0, 80, 40), clBlack), 10);
}

TEST(CanvasReuse, AssignedPictureGetsItsOwnCopyWhateverTheFirstCallCovers) {
    TBitmap source;
    Ground(source, 50, 40, clGreen);
    source.Canvas()->Pen.Color = clRed;
    source.Canvas()->MoveTo(0, 0);
    source.Canvas()->LineTo(49, 39);
    const QImage original = source.Image().copy();

    struct Case {
        const char* what;
        void (*draw)(TCanvas&);
    };
    const Case cases[] = {
        {"solid rectangle inside",
         [](TCanvas& c) {
             c.Brush.Color = clYellow;
             c.Rectangle(5, 6, 30, 20);
         }},
        {"solid rectangle over the top rows",
         [](TCanvas& c) {
             c.Brush.Color = clYellow;
             c.Rectangle(0, 0, 50, 20);
         }},
        {"solid rectangle beyond every edge",
         [](TCanvas& c) {
             c.Pen.Width = 2;
             c.Brush.Color = clYellow;
             c.Rectangle(-10, -10, 70, 70);
         }},
        {"solid rectangle outside the picture",
         [](TCanvas& c) {
             c.Brush.Color = clYellow;
             c.Rectangle(60, 60, 90, 90);
         }},
        {"hatched rectangle",
         [](TCanvas& c) {
             c.Brush.Color = clBlue;
             c.Brush.Style = bsCross;
             c.Rectangle(3, 3, 40, 30);
         }},
        {"opaque text",
         [](TCanvas& c) {
             c.Brush.Color = clWhite;
             c.Font.Color = clBlack;
             c.TextOut(10, 10, "texte");
         }},
        {"thin line",
         [](TCanvas& c) {
             c.MoveTo(49, 0);
             c.LineTo(0, 39);
         }},
        {"ellipse",
         [](TCanvas& c) {
             c.Brush.Color = clWhite;
             c.Ellipse(10, 10, 30, 30);
         }},
    };
    for (const Case& test : cases) {
        TBitmap target;
        target.Assign(source);
        // What the call draws on a picture of its own.
        TBitmap alone;
        Ground(alone, 50, 40);
        alone.Image() = original.copy();
        test.draw(*alone.Canvas());
        test.draw(*target.Canvas());
        EXPECT_EQ(Differences(target.Image(), alone.Image()), 0) << test.what;
        EXPECT_EQ(Differences(source.Image(), original), 0) << test.what << ": source changed";
    }

    // A copy onto the shared picture covers its area and keeps the rest.
    TBitmap sprite;
    Ground(sprite, 10, 10, clBlue);
    TBitmap target;
    target.Assign(source);
    target.Canvas()->Draw(45, 5, &sprite);
    EXPECT_TRUE(All(target.Image(), QRect(45, 5, 5, 10), clBlue));
    EXPECT_EQ(Differences(target.Image(), original, QRect(0, 0, 45, 40)), 0);
    EXPECT_EQ(Differences(target.Image(), original, QRect(45, 15, 5, 25)), 0);
    EXPECT_EQ(Differences(source.Image(), original), 0);
}

TEST(CanvasReuse, AssigningFromABitmapBeingDrawnOnTakesItsPictureAsItIsThen) {
    TBitmap source;
    Ground(source, 60, 30);
    TCanvas& s = *source.Canvas();
    SetBkMode(s.Handle(), TRANSPARENT);
    s.Font.Name = "Arial";
    s.Font.Size = 10;
    s.TextOut(2, 2, "un");
    TBitmap target;
    target.Assign(source);
    const QImage copied = target.Image().copy();
    s.TextOut(30, 10, "deux");
    s.Pen.Width = 2;
    s.MoveTo(0, 29);
    s.LineTo(59, 0);
    EXPECT_EQ(Differences(target.Image(), copied), 0);
    EXPECT_GT(Differences(source.Image(), copied), 20);
}
