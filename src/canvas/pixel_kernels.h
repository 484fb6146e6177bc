// The pixel kernels of the canvas: loops straight over the 32-bit pixels of a picture, for the
// shapes the scenes draw most (thin lines, rectangles, copies, and the runs of pixels that text
// and the other shapes are made of). Each returns the part of the picture it changed, for
// repainting only that.
#pragma once

#include <algorithm>
#include <climits>

#include "canvas/canvas.h"
#include "canvas/shapes.h"

// The pixels a drawing routine changed, as one rectangle.
class Changes {
  public:
    void Add(int y, int left, int right) {
        top_ = std::min(top_, y);
        bottom_ = std::max(bottom_, y);
        left_ = std::min(left_, left);
        right_ = std::max(right_, right);
    }
    Rect Area() const {
        return bottom_ < top_ ? Rect() : Rect::FromCorners({left_, top_}, {right_, bottom_});
    }

  private:
    int top_ = INT_MAX, bottom_ = INT_MIN, left_ = INT_MAX, right_ = INT_MIN;
};

// A one-pixel line from `from` towards `to`, `to` itself left out, whatever the direction.
// Each step along the major axis paints one pixel, the one nearest to the ideal line across it;
// on an exact tie, the one to the left or above.
Rect ThinLine(Picture& image, Point from, Point to, TColor colour);

// Fills the part of `area` inside the picture.
Rect FillRect(Picture& image, Rect area, Pixel rgb);

// The cross-hatch brush over `area`, the rest of it left unpainted.
Rect FillCross(Picture& image, Rect area, Pixel rgb);

// Copies `source` with its top-left corner at `at`, combined with what is there by `mode`.
Rect Blit(Picture& target, Point at, const Picture& source, TCopyMode mode);

// Gives the colour to runs of pixels put with their origin at `at`.
Rect PaintRuns(Picture& image, Point at, const PixelRuns& runs, Pixel rgb);

// The cross-hatch brush over the runs (their origin at the picture's).
Rect PaintRunsCross(Picture& image, const PixelRuns& runs, Pixel rgb);
