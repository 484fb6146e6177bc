// Text and lines wider than a pixel, rasterised once by the painter and kept as runs of pixels:
// the scenes draw the same labels and the same spokes tick after tick, and painting kept runs
// costs a fraction of laying out text or stroking a round-capped line. A run is the same wherever
// it is put (text is not antialiased, line ends are whole pixels), so it is kept by its string
// and font, or by its direction, length and width; nothing about a picture is kept, so nothing
// needs invalidating. Both tables are bounded and start again when full.
#pragma once

#include <QFont>
#include <QPainter>
#include <QString>

#include "canvas/pixel_kernels.h"

// A string as a font draws it, kept for the next time the same string is drawn in the same font
// (the scenes redraw the same labels on every frame): its advance and the pixels its glyphs
// cover, from the top-left of its cell. Text is drawn without antialiasing, so a pixel is either
// covered or not, and the runs are the same wherever the text is put.
struct TextRun {
    int width = 0;  // the advance, where the pen position moves to
    PixelRuns runs;
};

// The pixels of a line wider than one pixel, from its start point: the painter's round-capped
// stroke, rasterised once for each direction, length and width. Coordinates are whole pixels, so
// the same line elsewhere covers the same pixels moved by the same amount.
struct LineStamp {
    PixelRuns runs;
};

// A painter set up as the canvas draws: no antialiasing, brush patterns from the origin.
void PrepareAliased(QPainter& p);

// The runs of `text` in `font` (ascent and height its metrics), kept under `key`, which names the
// string and the font.
const TextRun& TextRunFor(const QString& key, const QFont& font, int ascent, int height,
                          const QString& text);

// The runs of a round-capped line of `width` from (0, 0) to (dx, dy).
const LineStamp& LineStampFor(int dx, int dy, int width);
