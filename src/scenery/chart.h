// The time charts on the window's own canvas, left of the scene: one vertical axis, one time axis
// per chart, the labels, and curves that grow by one segment (one pixel column) per tick.
#pragma once

#include <initializer_list>
#include <string_view>

#include "canvas/canvas.h"

// Vertical axis at x = 50 from y = 50 down to `bottom`, and a time axis from x = 40 to x = 250 on
// each baseline, every axis with its arrowhead. Pen clBlue, width 1.
void ChartAxes(TCanvas& c, int bottom, std::initializer_list<int> baselines);

// A curve label: "Arial" 10 in the signal's colour.
void ChartLabel(TCanvas& c, int x, int y, TColor colour, std::string_view text);

// The speed label: "W" in "Symbol" 12, clHighlight, shown as Omega. The font goes back to "Arial".
void OmegaLabel(TCanvas& c, int x, int y);

// "t" at (230, b - 15) for each baseline b: "Arial" 8, clBlue.
void TimeLabels(TCanvas& c, std::initializer_list<int> baselines);

// One stroke of a curve in the signal's colour, pen width 1 (a segment or a lead-in stroke).
void CurveStroke(TCanvas& c, TColor colour, int x0, int y0, int x1, int y1);
