// The pixels of what the canvas does not paint row by row itself: text, lines wider than a pixel,
// ellipses, polygons and the outlines of degenerate rectangles, as runs of pixels from an origin,
// from our rasteriser (raster.h) and glyph set (glyphs.h).
// Text is not antialiased and every coordinate is a whole pixel, so the runs of a shape are the
// same wherever it is put: the scenes draw the same labels, spokes and discs tick after tick, and
// each is worked out once (bounded caches, which start again when full).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "canvas/geometry.h"

// Pixels as runs along rows.
struct PixelRuns {
    struct Span {
        int y, left, right;  // right included
    };
    std::vector<Span> spans;  // by row, then column; they do not overlap
    Rect bounds;              // of the spans
};

// What a brush and a pen paint of a shape, in this order: `underFill` with the pen (what the
// painter's row-by-row ellipse paints before a later row's brush covers it), `fill` with the
// brush, `outline` with the pen.
struct ShapeRuns {
    PixelRuns underFill;
    PixelRuns fill;
    PixelRuns outline;
};

// A line of `width` (2 or more) from (0, 0) to (dx, dy), its ends round.
const PixelRuns& WideLineRuns(int dx, int dy, int width);

// Ellipse(left, top, right, bottom) and Rectangle(...) with a pen of `penWidth`, the outline
// straddling the shape's edge (see canvas.h), on a picture of that rectangle (its edge cuts a
// one-pixel outline at a pixel beyond, and it is walked from there).
const ShapeRuns& EllipseRuns(int left, int top, int right, int bottom, int penWidth, Rect picture);
ShapeRuns RectangleRuns(int left, int top, int right, int bottom, int penWidth, Rect picture);

// A polygon, filled by the odd-even rule, its corners mitred.
ShapeRuns PolygonRuns(const std::vector<Point>& points, int penWidth, Rect picture);

// A font as the canvases use it.
struct FontFace {
    std::string name;  // as the scenes name it ("Arial", "Symbol"...)
    int pixels = 0;
    bool bold = false;
    int ascent = 0;
    int height = 0;              // of a line: the text's cell
    const void* data = nullptr;  // what draws its glyphs
};
const FontFace& FaceFor(const std::string& name, int pixels, bool bold);

// A string in a font: its advance and the pixels its glyphs cover, from the top-left of its cell.
struct TextRun {
    int width = 0;
    PixelRuns runs;
};
const TextRun& TextRunFor(const FontFace& face, std::string_view text);
