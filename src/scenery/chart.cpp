#include "scenery/chart.h"

#include "scenery/strokes.h"

void ChartAxes(TCanvas& c, int bottom, std::initializer_list<int> baselines) {
    c.Pen.Color = clBlue;
    c.Pen.Width = 1;
    Line(c, 50, 50, 50, bottom);
    ArrowUp(c, 50, 50);
    for (int b : baselines) {
        Line(c, 40, b, 250, b);
        ArrowRight(c, 250, b);
    }
}

void ChartLabel(TCanvas& c, int x, int y, TColor colour, std::string_view text) {
    SetFont(c, "Arial", 10, colour);
    c.TextOut(x, y, text);
}

void OmegaLabel(TCanvas& c, int x, int y) {
    SetFont(c, "Symbol", 12, clHighlight);
    c.TextOut(x, y, "W");
    c.Font.Name = "Arial";
}

void TimeLabels(TCanvas& c, std::initializer_list<int> baselines) {
    SetFont(c, "Arial", 8, clBlue);
    for (int b : baselines)
        c.TextOut(230, b - 15, "t");
}

void CurveStroke(TCanvas& c, TColor colour, int x0, int y0, int x1, int y1) {
    c.Pen.Color = colour;
    c.Pen.Width = 1;
    Line(c, x0, y0, x1, y1);
}
