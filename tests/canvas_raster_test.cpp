// The canvas draws its rectangles and wide lines and copies its bitmaps pixel for pixel as Qt's
// own raster painter does with the canvas's settings (aliased, pen straddling the outline, round
// ends on wide lines, brush origin at the image's corner, raster operations for the copy modes),
// whatever the size, the direction, the corner order, the pen, the brush, the place and the
// clipping at the image's edges.
#include <gtest/gtest.h>

#include <QPainter>
#include <random>
#include <string>
#include <utility>

#include "canvas/canvas.h"
#include "support/painter_reference.h"
#include "support/pixels.h"

namespace {

constexpr int kSide = 24;

// What Qt's painter draws for Rectangle(l, t, r, b): the outline rectangle runs to r-1, b-1.
QImage Reference(int l, int t, int r, int b, int penWidth, TColor pen, TBrushStyle style,
                 TColor brush) {
    if (r < l) std::swap(l, r);
    if (b < t) std::swap(t, b);
    return PainterPicture(GroundImage({kSide, kSide}), [&](QPainter& p) {
        QPen qpen(ToQColor(pen));
        qpen.setWidth(std::max(1, penWidth));
        qpen.setCapStyle(penWidth <= 1 ? Qt::FlatCap : Qt::RoundCap);
        qpen.setJoinStyle(Qt::MiterJoin);
        p.setPen(qpen);
        if (style == bsSolid) p.setBrush(QBrush(ToQColor(brush), Qt::SolidPattern));
        if (style == bsCross) p.setBrush(QBrush(ToQColor(brush), Qt::CrossPattern));
        if (style == bsClear) p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(l, t, r - 1 - l, b - 1 - t));
    });
}

QImage Drawn(int l, int t, int r, int b, int penWidth, TColor pen, TBrushStyle style,
             TColor brush) {
    TBitmap bitmap;
    Ground(bitmap, kSide, kSide);
    TCanvas& c = *bitmap.Canvas();
    c.Pen.Width = penWidth;
    c.Pen.Color = pen;
    c.Brush.Color = brush;
    c.Brush.Style = style;
    c.Rectangle(l, t, r, b);
    return bitmap.Image().copy();
}

std::string Describe(int l, int t, int r, int b, int w, TBrushStyle style) {
    return "Rectangle(" + std::to_string(l) + ", " + std::to_string(t) + ", " + std::to_string(r) +
           ", " + std::to_string(b) + ") pen " + std::to_string(w) + " brush " +
           std::to_string(style);
}

}  // namespace

// (The sizes reach past every edge of the image: what overflows is clipped as the painter clips.)
TEST(CanvasRaster, RectanglesMatchThePainterForEverySizePenAndBrush) {
    int compared = 0;
    for (int w : {0, 1, 2, 3}) {
        for (TBrushStyle style : {bsSolid, bsCross, bsClear}) {
            for (int l : {-9, -3, -1, 0, 1, 5, 9, 13, 22}) {
                for (int t : {-9, -2, 0, 3, 11, 21}) {
                    for (int dx : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 20, 30, 40}) {
                        for (int dy : {0, 1, 2, 3, 4, 9, 14, 30}) {
                            const int r = l + dx, b = t + dy;
                            const QImage expected = Reference(l, t, r, b, w, clRed, style, clBlue);
                            const QImage actual = Drawn(l, t, r, b, w, clRed, style, clBlue);
                            EXPECT_EQ(Differences(expected, actual), 0)
                                << Describe(l, t, r, b, w, style);
                            ++compared;
                        }
                    }
                }
            }
        }
    }
    EXPECT_GT(compared, 10000);
}

TEST(CanvasRaster, RectanglesGivenRightToLeftOrBottomToTopMatchThePainter) {
    for (int w : {1, 2}) {
        for (TBrushStyle style : {bsSolid, bsCross}) {
            const QImage expected = Reference(15, 18, 4, 2, w, clGreen, style, clYellow);
            EXPECT_EQ(Differences(expected, Drawn(15, 18, 4, 2, w, clGreen, style, clYellow)), 0);
            EXPECT_EQ(Differences(expected, Drawn(4, 18, 15, 2, w, clGreen, style, clYellow)), 0);
            EXPECT_EQ(Differences(expected, Drawn(15, 2, 4, 18, w, clGreen, style, clYellow)), 0);
        }
    }
}

TEST(CanvasRaster, CrossHatchPaintsOnlyItsGridAnchoredToTheImageCorner) {
    // Two overlapping hatched rectangles make one grid, and the ground between its lines stays.
    TBitmap bitmap;
    Ground(bitmap, kSide, kSide, clRed);
    TCanvas& c = *bitmap.Canvas();
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

namespace {

// A bitmap of random colours, so that every bit of the raster operations shows.
QImage Noise(int w, int h, unsigned seed) {
    std::mt19937 random(seed);
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, 0xFF000000u | (random() & 0xFFFFFFu));
    return image;
}

QImage PainterCopy(const QImage& target, QPoint at, const QImage& source, TCopyMode mode) {
    return PainterPicture(target, [&](QPainter& p) {
        if (mode == cmSrcCopy) p.setCompositionMode(QPainter::CompositionMode_Source);
        if (mode == cmSrcAnd) p.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
        if (mode == cmSrcPaint) p.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
        p.drawImage(at, source);
    });
}

}  // namespace

TEST(CanvasRaster, DrawMatchesThePainterInEveryCopyModeAndAtTheEdges) {
    const QImage ground = Noise(30, 20, 1);
    TBitmap sprite;
    sprite.SetSize(9, 7);
    sprite.Image() = Noise(9, 7, 2);
    for (TCopyMode mode : {cmSrcCopy, cmSrcAnd, cmSrcPaint}) {
        for (QPoint at : {QPoint(0, 0), QPoint(5, 4), QPoint(-4, -3), QPoint(25, 16),
                          QPoint(-20, 0), QPoint(30, 20), QPoint(21, -6)}) {
            TBitmap target;
            target.SetSize(30, 20);
            target.Image() = ground.copy();
            target.Canvas()->CopyMode = mode;
            target.Canvas()->Draw(at.x(), at.y(), &sprite);
            EXPECT_EQ(Differences(PainterCopy(ground, at, sprite.Image(), mode), target.Image()), 0)
                << "mode " << mode << " at " << at.x() << "," << at.y();
        }
    }
}

namespace {

QImage PainterLine(QSize size, QPoint from, QPoint to, int width, TColor colour) {
    return PainterPicture(GroundImage(size), [&](QPainter& p) {
        QPen pen(ToQColor(colour));
        pen.setWidth(width);
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        p.setPen(pen);
        p.drawLine(from, to);
    });
}

QImage CanvasLine(TBitmap& bitmap, QSize size, QPoint from, QPoint to, int width, TColor colour) {
    Ground(bitmap, size.width(), size.height());
    TCanvas& c = *bitmap.Canvas();
    c.Pen.Width = width;
    c.Pen.Color = colour;
    c.MoveTo(from.x(), from.y());
    c.LineTo(to.x(), to.y());
    return std::as_const(bitmap).Image();
}

}  // namespace

TEST(CanvasRaster, WideLinesMatchThePainterInEveryDirectionAndPlace) {
    TBitmap bitmap;
    const QSize size(64, 64);
    int compared = 0;
    for (int width : {2, 3, 4}) {
        for (QPoint from : {QPoint(20, 20), QPoint(23, 27), QPoint(31, 18), QPoint(40, 41)}) {
            for (int dx = -18; dx <= 18; ++dx) {
                for (int dy = -18; dy <= 18; ++dy) {
                    const QPoint to = from + QPoint(dx, dy);
                    ASSERT_EQ(Differences(PainterLine(size, from, to, width, clRed),
                                          CanvasLine(bitmap, size, from, to, width, clRed)),
                              0)
                        << "width " << width << " from " << from.x() << "," << from.y() << " by "
                        << dx << "," << dy;
                    ++compared;
                }
            }
        }
    }
    EXPECT_GT(compared, 16000);
}

TEST(CanvasRaster, LongAndClippedWideLinesMatchThePainter) {
    TBitmap bitmap;
    const QSize size(449, 581);
    const QPoint lines[][2] = {
        {{1, 20}, {1, 536}},      {{1, 20}, {30, 1}},   {{30, 528}, {1, 528}},
        {{0, 0}, {448, 580}},     {{448, 3}, {2, 579}}, {{-5, 40}, {60, 45}},
        {{200, 570}, {210, 600}}, {{15, 15}, {2, 9}},   {{440, 100}, {460, 90}},
    };
    for (const auto& line : lines) {
        for (int width : {2, 3}) {
            EXPECT_EQ(Differences(PainterLine(size, line[0], line[1], width, clGreen),
                                  CanvasLine(bitmap, size, line[0], line[1], width, clGreen)),
                      0)
                << line[0].x() << "," << line[0].y() << " to " << line[1].x() << "," << line[1].y()
                << " width " << width;
        }
    }
}
