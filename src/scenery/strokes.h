// Small drawing helpers shared by every scene: straight strokes and arrowheads.
#pragma once

#include "canvas/canvas.h"

// A pixel coordinate from a real value: truncation toward zero.
inline int Trunc(double value) {
    return static_cast<int>(value);
}

// One stroke with the canvas's current pen: MoveTo then LineTo.
inline void Line(TCanvas& c, int x0, int y0, int x1, int y1) {
    c.MoveTo(x0, y0);
    c.LineTo(x1, y1);
}

// Arrowheads: two 7-pixel strokes at 45 degrees, each drawn from the tip outwards.
inline void ArrowDown(TCanvas& c, int x, int y) {
    Line(c, x, y, x - 7, y - 7);
    Line(c, x, y, x + 7, y - 7);
}
inline void ArrowUp(TCanvas& c, int x, int y) {
    Line(c, x, y, x - 7, y + 7);
    Line(c, x, y, x + 7, y + 7);
}
inline void ArrowRight(TCanvas& c, int x, int y) {
    Line(c, x, y, x - 7, y - 7);
    Line(c, x, y, x - 7, y + 7);
}
inline void ArrowLeft(TCanvas& c, int x, int y) {
    Line(c, x, y, x + 7, y - 7);
    Line(c, x, y, x + 7, y + 7);
}

// Sets the font of a canvas in one call: face, size in points and colour.
inline void SetFont(TCanvas& c, const char* name, int size, TColor colour) {
    c.Font.Name = name;
    c.Font.Size = size;
    c.Font.Color = colour;
}
