// Our own aliased rasteriser for the few shapes the canvas draws with a painter today: ellipses,
// polygons and lines wider than a pixel. It gives the very pixels of Qt's raster engine with
// antialiasing off (the frame checksums depend on them), so it follows that engine step by step:
// - an ellipse with a one-pixel pen is drawn row by row by a midpoint algorithm (brush, then pen,
//   for each pair of rows in turn);
// - other outlines are paths: lines, and cubic Béziers for ellipses and round ends;
// - a one-pixel pen walks a path's segments in 26.6 fixed point, leaving no gaps at corners;
// - a wider pen turns the path into the outline of its stroke (offset segments, joins, round
//   caps as Bézier quarter circles), which is filled like any other shape;
// - a fill flattens curves into segments, rounds the points to 1/64 pixel and fills, row by row,
//   the pixels whose centre is inside (odd-even for shapes, non-zero for strokes).
// Plain C++, no Qt.
#pragma once

#include <optional>
#include <vector>

namespace raster {

struct Point {
    int x, y;
};

// One row's run of pixels, `right` included.
struct Span {
    int y, left, right;
};

// A rectangle of pixels, its right and bottom included.
struct Rect {
    int left, top, right, bottom;
};

// The pixels of a shape as sorted (y, then left), non-overlapping spans, painted in this order:
// `underFill` with the pen, `fill` with the brush, `outline` with the pen.
struct Shape {
    std::vector<Span> fill;     // what the brush paints
    std::vector<Span> outline;  // what the pen paints over the brush
    // What the pen paints before the brush paints it again: the midpoint ellipse paints brush and
    // pen row by row, and on small or flat ellipses a later row's brush covers an earlier row's
    // pen. Those pixels keep the pen's colour when there is no brush (and in a hatched brush's
    // holes). Empty for every other shape.
    std::vector<Span> underFill;
};

// Without `clip`, the pixels on an unbounded plane; with it, the pixels the painter draws on a
// picture of that rectangle. The rectangle matters for one-pixel outlines and lines: the painter
// cuts their segments at a pixel beyond the picture's edge and walks them from there, which can
// move their pixels near the edge. Fills and wider pens are the same as drawn on the plane and
// then cut. Coordinates beyond +-1e6 and pens wider than 1e4 draw nothing; the work grows with
// the rows a shape spans.

// A line of `width` with round ends, from `from` to `to`; a width of 1 or less draws the
// one-pixel line, without its last point.
std::vector<Span> WideLine(Point from, Point to, int width,
                           const std::optional<Rect>& clip = std::nullopt);

// The ellipse that the canvas's Ellipse(left, top, right, bottom) draws: inside the rectangle
// from (left, top) to (right - 1, bottom - 1) after putting the corners in order.
Shape Ellipse(int left, int top, int right, int bottom, int penWidth,
              const std::optional<Rect>& clip = std::nullopt);

// A polygon filled odd-even, outlined with mitred corners.
Shape Polygon(const std::vector<Point>& points, int penWidth,
              const std::optional<Rect>& clip = std::nullopt);

}  // namespace raster
