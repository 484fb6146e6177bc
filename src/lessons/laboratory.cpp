// The laboratory: the loop driven by its physical model (src/model) with the gain, set point,
// saturation and dead zone the pupil chose. The same scenery as the lessons: the block diagram,
// the table whose pen and pulleys follow the model, and charts of Ve and Vs, U and Ω growing one
// column per frame over the run's span, on a time axis in seconds, each with its vertical scale.
// Where a column spans many periods of a signal, it shows the signal's range over its frame
// instead of a line through the frames. The run before stays on the charts as a faint trace; a
// change made during the run is marked by a tick on each chart; the last frame gives the run's
// conclusion: the kind of response, the figures measured on it and those of the linear theory.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engine/frame.h"
#include "engine/scenes.h"
#include "engine/state.h"
#include "lessons/lessons.h"
#include "model/conclusion.h"
#include "scenery/chart.h"
#include "scenery/diagram.h"
#include "scenery/strokes.h"
#include "scenery/table_view.h"

namespace {

using model::FrenchNumber;
using model::FrenchShort;
using model::Range;
using model::Sample;

// One chart: its baseline, how far from it a curve may go (beyond, it is clipped) and its scale.
struct Chart {
    int base, band;
    double scale;  // pixels per volt, or per rad/s

    int Y(double v) const {
        return base - Trunc(std::clamp(scale * v, double(-band), double(band)));
    }
};

// The three charts, their scales chosen when the run begins (from its set point, its amplifier
// and its motor) so that its response fills its band.
struct Charts {
    Chart ve, u, omega;

    static Charts Of(const model::Inputs& in, const model::Parameters& p) {
        const double a = std::max(std::abs(in.amplitude), 0.1);
        const double umax =
            in.settings.saturation ? in.settings.usat : std::max(in.settings.gain * a, 1.0);
        const double omegaMax = umax * p.Kt / (p.R * p.f + p.Ke * p.Kt);
        return {{140, 75, 55 / a}, {280, 55, 45 / umax}, {390, 40, 38 / omegaMax}};
    }
};
constexpr int kAxisBottom = 440;

// Ticks left of the vertical axis, labelled in French: multiples of a step of 1, 2 or 5 times a
// power of ten, the smallest that puts at most three of them on each side of the baseline.
void VerticalScale(TCanvas& c, const Chart& chart) {
    const double reach = chart.band / chart.scale;
    double step = std::pow(10.0, std::floor(std::log10(reach / 3)));
    for (const double m : {1.0, 2.0, 5.0, 10.0}) {
        if (m * step >= reach / 3 * (1 - 1e-9)) {
            step *= m;
            break;
        }
    }
    SetFont(c, "Arial", 7, clBlue);
    c.Pen.Color = clBlue;
    for (int n = -3; n <= 3; ++n) {
        if (std::abs(n * step) > reach * (1 + 1e-9)) continue;
        const int y = chart.Y(n * step);
        Line(c, 46, y, 50, y);
        const std::string label = FrenchShort(n * step);
        c.TextOut(39 - c.TextWidth(label), y - 5, label);
    }
}

struct Colours {
    TColor ve, vs, u, omega;
};

// Frame j of a run, from x0 (the frame before) to x1: strokes from the signals' values at the
// frame before, or (`ranges`) each signal's range over the frame as a vertical band over the
// columns after x0 up to x1, not beyond the charts' last column.
void Column(TCanvas& c, const Charts& s, const Colours& k, const std::vector<Sample>& f,
            const std::vector<model::FrameRanges>& r, std::size_t j, bool ranges, int x0, int x1) {
    if (!ranges) {
        CurveStroke(c, k.ve, x0, s.ve.Y(f[j - 1].ve), x1, s.ve.Y(f[j].ve));
        CurveStroke(c, k.vs, x0, s.ve.Y(f[j - 1].vs), x1, s.ve.Y(f[j].vs));
        CurveStroke(c, k.u, x0, s.u.Y(f[j - 1].u), x1, s.u.Y(f[j].u));
        CurveStroke(c, k.omega, x0, s.omega.Y(f[j - 1].omega), x1, s.omega.Y(f[j].omega));
        return;
    }
    const std::pair<TColor, const Chart*> bands[] = {
        {k.ve, &s.ve}, {k.vs, &s.ve}, {k.u, &s.u}, {k.omega, &s.omega}};
    const Range* range[] = {&r[j].ve, &r[j].vs, &r[j].u, &r[j].omega};
    for (int i = 0; i < 4; ++i) {
        const auto& [colour, chart] = bands[i];
        for (int x = x0 + 1; x <= std::min(x1, 209); ++x)
            CurveStroke(c, colour, x, chart->Y(range[i]->high), x, chart->Y(range[i]->low) + 1);
    }
}

// The pen tip on the table: the middle of the table at x 197, 0.9 pixel per millimetre.
double PenX(const Sample& s) {
    return 197 - 0.9 * s.penMm;
}

// The faint colours of the run before.
constexpr TColor kOldVe = RGB(150, 205, 150), kOldVs = RGB(255, 165, 165),
                 kOldU = RGB(205, 155, 155), kOldOmega = RGB(150, 150, 215);

// The conclusion on FOND, right of the sensor's box and left of the amplifiers' (x 128 to 336),
// from under the settings down to the pulleys (y 300): the kind of response in bold, then the
// measured figures in red and the linear theory in blue, each under its heading. A line too long
// for the width is broken after a colon, a comma or a wide space and goes on further in; when
// the lines do not fit in Arial 8, all but the heading are set in Arial 7.
struct Printed {
    std::string text;
    TColor colour;
    bool bold;
    int x;
};

std::vector<Printed> Wrapped(TCanvas& fond, const model::Conclusion& c, int size) {
    constexpr int kLeft = 128, kRight = 336;
    std::vector<Printed> out;
    const auto add = [&](std::string text, TColor colour, bool bold, int x) {
        SetFont(fond, "Arial", bold ? 8 : size, colour);
        fond.Font.Bold = bold;
        while (fond.TextWidth(text) > kRight - x) {
            // The last break that fits, after " : " rather than after a comma, rather than at a
            // wide space, rather than at any space.
            std::size_t cut = 0;
            int best = -1;
            for (std::size_t at = text.find(' ', 1); at != std::string::npos;
                 at = text.find(' ', at + 1)) {
                if (fond.TextWidth(std::string_view(text).substr(0, at)) > kRight - x) break;
                const int rank = text[at - 1] == ':'              ? 3
                                 : text[at - 1] == ','            ? 2
                                 : text.compare(at, 2, "  ") == 0 ? 1
                                                                  : 0;
                if (rank >= best) cut = at, best = rank;
            }
            if (cut == 0) break;
            out.push_back({text.substr(0, cut), colour, bold, x});
            text.erase(0, text.find_first_not_of(' ', cut));
            x = std::min(x + 10, kLeft + 16);
        }
        out.push_back({text, colour, bold, x});
    };
    for (std::size_t i = 0; i < c.measuredLines.size(); ++i)
        add(c.measuredLines[i], clRed, i == 0, i == 0 ? kLeft : kLeft + 6);
    for (std::size_t i = 0; i < c.theoryLines.size(); ++i)
        add(c.theoryLines[i], clBlue, false, i == 0 ? kLeft : kLeft + 6);
    return out;
}

void DrawConclusion(TCanvas& fond, const model::Conclusion& c) {
    constexpr int kTop = 86, kBottom = 300, kGap = 4;
    int size = 8, pitch = 10;
    std::vector<Printed> lines = Wrapped(fond, c, size);
    if (kTop + kGap + pitch * int(lines.size()) > kBottom)
        size = 7, pitch = 9, lines = Wrapped(fond, c, size);
    int y = kTop;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0 && lines[i].colour != lines[i - 1].colour) y += kGap;
        SetFont(fond, "Arial", lines[i].bold ? 8 : size, lines[i].colour);
        fond.Font.Bold = lines[i].bold;
        fond.TextOut(lines[i].x, y, lines[i].text);
        y += pitch;
    }
    fond.Font.Bold = false;
}

std::string ShapeName(model::Shape shape) {
    switch (shape) {
        case model::Shape::Step:
            return "échelon";
        case model::Shape::Ramp:
            return "rampe";
        case model::Shape::Trapezoid:
            return "trapèze";
        case model::Shape::Sine:
            return "sinus";
    }
    return {};
}

}  // namespace

void LaboratoryStep(State& form) {
    form.RichEdit1.Visible = false;
    form.Phase = form.Phase + 1;
    const int k = form.Phase - SceneOf(kLaboratory)->start;
    form.Lab.AdvanceTo(k);
    const std::vector<Sample>& f = form.Lab.frames();
    if (static_cast<int>(f.size()) <= k) return;  // no run: nothing to draw
    const model::Inputs& in = form.Lab.inputs();
    const Charts charts = Charts::Of(form.Lab.startInputs(), form.Lab.parameters());

    ResetSceneSurface(form);
    TCanvas& fond = *form.FOND.Canvas();
    DrawBlockDiagram(fond, DiagramVariant::Standard);
    DrawTableView(
        form, fond,
        TableMotion{k, k, PenX(f[k - 1]), PenX(f[k]), PenX(f[k]) - 10, f[k - 1].angle, f[k].angle});

    // What the pupil set, over the diagram.
    SetBkMode(fond.Handle(), TRANSPARENT);
    SetFont(fond, "Arial", 8, clBlack);
    fond.TextOut(
        130, 60,
        "G = " + FrenchShort(in.settings.gain) + "   " + ShapeName(in.shape) + " de " +
            FrenchShort(in.amplitude) + " V" +
            (in.shape == model::Shape::Sine ? ", " + FrenchShort(in.frequency) + " Hz" : ""));
    fond.TextOut(130, 70,
                 (in.settings.saturation ? "Usat = ±" + FrenchShort(in.settings.usat) + " V"
                                         : std::string("sans saturation")) +
                     ",  " +
                     (in.settings.deadZone ? "U0 = ±" + FrenchShort(in.settings.u0) + " V"
                                           : std::string("sans zone morte")));

    TCanvas& c = *form.Canvas();
    SetBkMode(c.Handle(), TRANSPARENT);
    ChartAxes(c, kAxisBottom, {charts.ve.base, charts.u.base, charts.omega.base});
    ChartLabel(c, 60, 52, clGreen, "Ve");
    ChartLabel(c, 84, 52, clRed, "Vs");
    ChartLabel(c, 60, 222, clMaroon, "U");
    OmegaLabel(c, 60, 340);
    SetFont(c, "Arial", 7, clBlue);
    c.TextOut(106, 57, "(V)");
    c.TextOut(76, 227, "(V)");
    c.TextOut(78, 345, "(rad/s)");
    for (const Chart* chart : {&charts.ve, &charts.u, &charts.omega})
        VerticalScale(c, *chart);
    TimeLabels(c, {charts.ve.base, charts.u.base, charts.omega.base});
    // The time axis in seconds, under the last chart: five marks over the span, with the decimals
    // their step needs.
    SetFont(c, "Arial", 7, clBlue);
    c.Pen.Color = clBlue;
    const double span = form.Lab.span();
    const int decimals = std::max(0, int(std::ceil(-std::log10(span / 5) - 1e-9)));
    for (int i = 1; i <= 5; ++i) {
        const int x = 50 + Trunc(model::Experiment::kFrames * i / 5.0);
        Line(c, x, charts.omega.base, x, charts.omega.base + 4);
        c.TextOut(x - 10, charts.omega.base + 44, FrenchNumber(span * i / 5, decimals));
    }
    c.TextOut(222, charts.omega.base + 44, "t (s)");
    if (in.settings.saturation) {
        c.Pen.Color = clBlack;
        const int high = charts.u.Y(in.settings.usat), low = charts.u.Y(-in.settings.usat);
        Line(c, 50, high, 210, high);
        Line(c, 50, low, 210, low);
        SetFont(c, "Arial", 8, clBlack);
        c.TextOut(215, high - 6, "+Usat");
        c.TextOut(215, low - 6, "-Usat");
    }
    // The run before, faint, all at once on the first frame, on this run's scales and time axis.
    const std::vector<Sample>& old = form.Lab.previous();
    const auto oldX = [&](const Sample& s) {
        return 50 + Trunc(model::Experiment::kFrames * s.t / span);
    };
    for (std::size_t j = 1; k == 1 && j < old.size() && oldX(old[j - 1]) < 209; ++j) {
        const int x0 = oldX(old[j - 1]), x1 = std::max(x0 + 1, oldX(old[j]));
        Column(c, charts, {kOldVe, kOldVs, kOldU, kOldOmega}, old, form.Lab.previousRanges(), j,
               form.Lab.PreviousPeakDetect(), x0, x1);
    }
    Column(c, charts, {clGreen, clRed, clMaroon, clHighlight}, f, form.Lab.ranges(), k,
           form.Lab.PeakDetect(), k + 49, k + 50);
    // A tick at the top of each chart where the pupil changed something during the run.
    c.Pen.Color = clBlack;
    for (int at : form.Lab.ChangeFrames())
        for (const Chart* chart : {&charts.ve, &charts.u, &charts.omega})
            Line(c, at + 50, chart->base - chart->band - 3, at + 50, chart->base - chart->band + 5);

    if (k == model::Experiment::kFrames) DrawConclusion(fond, model::Conclude(form.Lab));
}
