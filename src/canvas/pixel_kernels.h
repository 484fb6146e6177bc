// The pixel kernels of the canvas: loops straight over the 32-bit pixels of a picture, for the
// shapes the scenes draw most (thin lines, rectangles, copies, and the runs of pixels that text
// and wide lines are made of). No painter to set up, and no hand-off of large fills to worker
// threads. Each returns the part of the picture it changed, for repainting only that.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <algorithm>
#include <climits>
#include <vector>

#include "canvas/canvas.h"

// Pixels a shape covers, as runs along rows, from an origin point.
struct PixelRuns {
    struct Span {
        int y, left, right;  // right included
    };
    std::vector<Span> spans;
    QRect bounds;  // of the spans
};

// A string as a font draws it, kept for the next time the same string is drawn in the same font
// (the scenes redraw the same labels on every frame): its advance and the pixels its glyphs
// cover, from the top-left of its cell. Text is drawn without antialiasing, so a pixel is either

// The pixels a drawing routine changed, as one rectangle.
class Changes {
  public:
    void Add(int y, int left, int right) {
        top_ = std::min(top_, y);
        bottom_ = std::max(bottom_, y);
        left_ = std::min(left_, left);
        right_ = std::max(right_, right);
    }
    QRect Rect() const {
        return bottom_ < top_ ? QRect() : QRect(QPoint(left_, top_), QPoint(right_, bottom_));
    }

  private:
    int top_ = INT_MAX, bottom_ = INT_MIN, left_ = INT_MAX, right_ = INT_MIN;
};

// True for the pictures the kernels work on.
bool IsRgb32(const QImage& image);

// A one-pixel line from `from` towards `to`, `to` itself left out, whatever the direction.
// Each step along the major axis paints one pixel, the one nearest to the ideal line across it;
// on an exact tie, the one to the left or above.
QRect ThinLine(QImage& image, QPoint from, QPoint to, TColor colour);

// Fills the part of `area` inside the image.
QRect FillRect(QImage& image, QRect area, QRgb rgb);

// The cross-hatch brush over `area`, the rest of it left unpainted.
QRect FillCross(QImage& image, QRect area, QRgb rgb);

// Copies `source` with its top-left corner at `at`, combined with what is there by `mode`.
QRect Blit(QImage& target, QPoint at, const QImage& source, TCopyMode mode);

// Gives the colour to runs of pixels put with their origin at `at`.
QRect PaintRuns(QImage& image, QPoint at, const PixelRuns& runs, QRgb rgb);
