// The canvas draws its rectangles, wide lines and text and copies its bitmaps pixel for pixel as
// Qt's own raster painter does with the canvas's settings (aliased, pen straddling the outline,
// round ends on wide lines, brush origin at the image's corner, raster operations for the copy
// modes, text at its baseline), whatever the size, the direction, the corner order, the pen, the
// brush, the font, the place and the clipping at the image's edges.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QPainter>
#include <random>

#include "canvas/canvas.h"
#include "support/painter_reference.h"
#include "support/pixels.h"

namespace {

constexpr int kSide = 24;

// What Qt's painter draws for Rectangle(l, t, r, b) with l <= r, t <= b: the outline rectangle
// runs to r-1, b-1.
QImage PainterRectangle(int l, int t, int r, int b, int penWidth, TBrushStyle style) {
    return PainterPicture(GroundImage({kSide, kSide}), [&](QPainter& p) {
        QPen pen(ToQColor(clRed), std::max(1, penWidth));
        pen.setCapStyle(penWidth <= 1 ? Qt::FlatCap : Qt::RoundCap);
        pen.setJoinStyle(Qt::MiterJoin);
        p.setPen(pen);
        if (style == bsSolid) p.setBrush(QBrush(ToQColor(clBlue), Qt::SolidPattern));
        if (style == bsCross) p.setBrush(QBrush(ToQColor(clBlue), Qt::CrossPattern));
        p.drawRect(QRectF(l, t, r - 1 - l, b - 1 - t));
    });
}

QImage CanvasRectangle(int l, int t, int r, int b, int penWidth, TBrushStyle style) {
    TBitmap bitmap;
    TCanvas& c = Ground(bitmap, kSide, kSide);
    c.Pen.Width = penWidth;
    c.Pen.Color = clRed;
    c.Brush.Color = clBlue;
    c.Brush.Style = style;
    c.Rectangle(l, t, r, b);
    return bitmap.Image().copy();
}

}  // namespace

// (The sizes reach past every edge of the image: what overflows is clipped as the painter clips;
// the corners come in every order.)
TEST(CanvasRaster, RectanglesMatchThePainterForEverySizePenBrushAndCornerOrder) {
    int compared = 0;
    for (int w : {0, 1, 2, 3}) {
        for (TBrushStyle style : {bsSolid, bsCross, bsClear}) {
            for (int l : {-9, -3, -1, 0, 1, 5, 9, 13, 22}) {
                for (int t : {-9, -2, 0, 3, 11, 21}) {
                    for (int dx : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 20, 30, 40}) {
                        for (int dy : {0, 1, 2, 3, 4, 9, 14, 30}) {
                            const int r = l + dx, b = t + dy;
                            const QImage expected = PainterRectangle(l, t, r, b, w, style);
                            // Left to right and top to bottom, and each other order in turn.
                            const int order = (compared++ + w) & 3;
                            const int x0 = order & 1 ? r : l, x1 = order & 1 ? l : r;
                            const int y0 = order & 2 ? b : t, y1 = order & 2 ? t : b;
                            for (const QImage& actual : {CanvasRectangle(l, t, r, b, w, style),
                                                         CanvasRectangle(x0, y0, x1, y1, w, style)})
                                EXPECT_EQ(Differences(expected, actual), 0)
                                    << "Rectangle(" << x0 << ", " << y0 << ", " << x1 << ", " << y1
                                    << ") pen " << w << " brush " << style;
                        }
                    }
                }
            }
        }
    }
    EXPECT_GT(compared, 10000);
}

TEST(CanvasRaster, CrossHatchPaintsOnlyItsGridAnchoredToTheImageCorner) {
    // Two overlapping hatched rectangles make one grid, and the ground between its lines stays.
    TBitmap bitmap;
    TCanvas& c = Ground(bitmap, kSide, kSide, clRed);
    c.Pen.Color = clWhite;
    c.Brush.Color = clBlue;
    c.Brush.Style = bsCross;
    c.Rectangle(0, 0, 24, 24);
    c.Rectangle(5, 6, 19, 22);
    for (int y = 1; y < 23; ++y) {
        for (int x = 1; x < 23; ++x) {
            const bool onGrid = (x % 8 == 4) || (y % 8 == 3);
            const bool outline = (x == 5 || x == 18) && y >= 6 && y <= 21;
            const bool outlineRow = (y == 6 || y == 21) && x >= 5 && x <= 18;
            if (outline || outlineRow) continue;
            EXPECT_EQ(At(bitmap.Image(), x, y), onGrid ? clBlue : clRed) << x << "," << y;
        }
    }
}

// A bitmap of random colours, so that every bit of the raster operations shows.
TEST(CanvasRaster, DrawMatchesThePainterInEveryCopyModeAndAtTheEdges) {
    std::mt19937 random(1);
    auto noise = [&](int w, int h) {
        QImage image(w, h, QImage::Format_RGB32);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                image.setPixel(x, y, 0xFF000000u | (random() & 0xFFFFFFu));
        return image;
    };
    const QImage ground = noise(30, 20);
    TBitmap sprite;
    sprite.SetSize(9, 7);
    sprite.Image() = noise(9, 7);
    const QPainter::CompositionMode modes[] = {QPainter::CompositionMode_Source,
                                               QPainter::RasterOp_SourceAndDestination,
                                               QPainter::RasterOp_SourceOrDestination};
    for (TCopyMode mode : {cmSrcCopy, cmSrcAnd, cmSrcPaint}) {
        for (QPoint at : {QPoint(0, 0), QPoint(5, 4), QPoint(-4, -3), QPoint(25, 16),
                          QPoint(-20, 0), QPoint(30, 20), QPoint(21, -6)}) {
            TBitmap target;
            target.SetSize(30, 20);
            target.Image() = ground.copy();
            target.Canvas()->CopyMode = mode;
            target.Canvas()->Draw(at.x(), at.y(), &sprite);
            const QImage expected = PainterPicture(ground, [&](QPainter& p) {
                p.setCompositionMode(modes[mode]);
                p.drawImage(at, sprite.Image());
            });
            EXPECT_EQ(Differences(expected, target.Image()), 0)
                << "mode " << mode << " at " << at.x() << "," << at.y();
        }
    }
}

namespace {

// Pixels where the canvas's wide line differs from the painter's.
int WideLineDifferences(TBitmap& bitmap, QSize size, QPoint from, QPoint to, int width) {
    TCanvas& c = Ground(bitmap, size.width(), size.height());
    c.Pen.Width = width;
    c.Pen.Color = clGreen;
    c.MoveTo(from.x(), from.y());
    c.LineTo(to.x(), to.y());
    return Differences(bitmap.Image(), PainterPicture(GroundImage(size), [&](QPainter& p) {
                           QPen pen(ToQColor(clGreen), width);
                           pen.setCapStyle(Qt::RoundCap);
                           pen.setJoinStyle(Qt::RoundJoin);
                           p.setPen(pen);
                           p.drawLine(from, to);
                       }));
}

}  // namespace

TEST(CanvasRaster, WideLinesMatchThePainterInEveryDirectionPlaceAndLength) {
    TBitmap bitmap;
    int compared = 0;
    for (int width : {2, 3, 4}) {
        for (QPoint from : {QPoint(20, 20), QPoint(23, 27), QPoint(31, 18), QPoint(40, 41)}) {
            for (int dx = -18; dx <= 18; ++dx) {
                for (int dy = -18; dy <= 18; ++dy) {
                    ASSERT_EQ(
                        WideLineDifferences(bitmap, {64, 64}, from, from + QPoint(dx, dy), width),
                        0)
                        << "width " << width << " from " << from.x() << "," << from.y() << " by "
                        << dx << "," << dy;
                    ++compared;
                }
            }
        }
    }
    EXPECT_GT(compared, 16000);
    // Long lines across a picture of the scenes' size, and lines leaving it.
    const QPoint lines[][2] = {
        {{1, 20}, {1, 536}},      {{1, 20}, {30, 1}},   {{30, 528}, {1, 528}},
        {{0, 0}, {448, 580}},     {{448, 3}, {2, 579}}, {{-5, 40}, {60, 45}},
        {{200, 570}, {210, 600}}, {{15, 15}, {2, 9}},   {{440, 100}, {460, 90}},
    };
    for (const auto& line : lines)
        for (int width : {2, 3})
            EXPECT_EQ(WideLineDifferences(bitmap, {449, 581}, line[0], line[1], width), 0)
                << line[0].x() << "," << line[0].y() << " to " << line[1].x() << "," << line[1].y()
                << " width " << width;
}

// Strings and fonts of the scenes, with the same string in several fonts one after the other,
// drawn twice through: the second time every string comes from what the canvas kept. Each looks
// as the painter draws it, with the top of its cell at y, and moves the pen by its advance.
TEST(CanvasText, EveryStringLooksAsThePainterDrawsItInEveryFontAndOrder) {
    const struct {
        const char* face;
        int points;
        bool bold;
        TColor colour;
        const char* text;
    } labels[] = {
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
    TBitmap b;
    for (int round = 0; round < 2; ++round) {
        for (const auto& label : labels) {
            TCanvas& c = Ground(b, 640, 60);
            UseFont(c, label.face, label.points, label.colour);
            c.Font.Bold = label.bold;
            const QString text = QString::fromUtf8(label.text);
            c.TextOut(5, 7, text);
            const QFont font = MakeFont(label.face, PointsToPixels(label.points), label.bold);
            const QImage expected = PainterPicture(GroundImage({640, 60}), [&](QPainter& p) {
                p.setFont(font);
                p.setPen(ToQColor(label.colour));
                p.drawText(QPoint(5, 7 + QFontMetrics(font).ascent()), text);
            });
            EXPECT_EQ(Differences(expected, b.Image()), 0)
                << label.face << " " << label.points << (label.bold ? " bold " : " ") << label.text;
            const int advance = QFontMetrics(font).horizontalAdvance(text);
            EXPECT_EQ(c.PenPos(), QPoint(5 + advance, 7)) << label.text;
            EXPECT_EQ(c.TextWidth(text), advance) << label.text;
        }
    }
}
