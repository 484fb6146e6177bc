// The laboratory: the loop driven by its physical model (src/model) with the gain, set point,
// saturation and dead zone the pupil chose. The same scenery as the lessons: the block diagram,
// the table whose pen and pulleys follow the model, and charts of Ve and Vs, U and Ω growing one
// column per frame over the run's span, on a time axis in seconds. The run before stays on the
// charts as a faint trace; a change made during the run is marked by a tick on each chart; the
// last frame gives the figures measured on the run beside those of the linear theory.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "engine/frame.h"
#include "engine/scenes.h"
#include "engine/state.h"
#include "lessons/lessons.h"
#include "scenery/chart.h"
#include "scenery/diagram.h"
#include "scenery/strokes.h"
#include "scenery/table_view.h"

namespace {

using model::Sample;

// The charts: baselines, and scales chosen when the run begins (from its set point, its
// amplifier and its motor) so that its response fills its band; beyond, a curve is clipped.
constexpr int kVsBase = 140, kUBase = 280, kOmegaBase = 390, kAxisBottom = 440;

struct Scales {
    double ve, u, omega;  // pixels per volt, per volt, per rad/s

    static Scales Of(const model::Inputs& in, const model::Parameters& p) {
        const double a = std::max(std::abs(in.amplitude), 0.1);
        const double umax =
            in.settings.saturation ? in.settings.usat : std::max(in.settings.gain * a, 1.0);
        const double omegaMax = umax * p.Kt / (p.R * p.f + p.Ke * p.Kt);
        return {55 / a, 45 / umax, 38 / omegaMax};
    }
    int Ve(double v) const { return kVsBase - Clip(ve * v, 75); }
    int U(double v) const { return kUBase - Clip(u * v, 55); }
    int Omega(double w) const { return kOmegaBase - Clip(omega * w, 40); }
    static int Clip(double pixels, int band) {
        return Trunc(std::clamp(pixels, double(-band), double(band)));
    }
};

// The pen tip on the table: the middle of the table at x 197, 0.9 pixel per millimetre.
double PenX(const Sample& s) {
    return 197 - 0.9 * s.penMm;
}

// The faint colours of the run before.
constexpr TColor kOldVe = RGB(150, 205, 150), kOldVs = RGB(255, 165, 165),
                 kOldU = RGB(205, 155, 155), kOldOmega = RGB(150, 150, 215);

// A number as the lessons write them: a decimal comma (and no "-0").
std::string Num(double v, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, v);
    std::string text = buffer;
    std::replace(text.begin(), text.end(), '.', ',');
    if (text.starts_with('-') && text.find_first_not_of("-0,") == std::string::npos)
        text.erase(0, 1);
    return text;
}

// A setting as the pupil typed it: four significant digits at most.
std::string Short(double v) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.4g", v);
    std::string text = buffer;
    std::replace(text.begin(), text.end(), '.', ',');
    return text;
}

// A duration in milliseconds below a second.
std::string Time(double s) {
    return s < 1 ? Num(s * 1000, 1) + " ms" : Num(s, 3) + " s";
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
    const Scales scale = Scales::Of(form.Lab.startInputs(), form.Lab.parameters());

    ResetSceneSurface(form);
    TCanvas& fond = *form.FOND.Canvas();
    DrawBlockDiagram(fond, DiagramVariant::Standard);
    DrawTableView(
        form, fond,
        TableMotion{k, k, PenX(f[k - 1]), PenX(f[k]), PenX(f[k]) - 10, f[k - 1].angle, f[k].angle});

    // What the pupil set, over the diagram.
    SetBkMode(fond.Handle(), TRANSPARENT);
    SetFont(fond, "Arial", 8, clBlack);
    fond.TextOut(130, 60,
                 "G = " + Short(in.settings.gain) + "   " + ShapeName(in.shape) + " de " +
                     Short(in.amplitude) + " V" +
                     (in.shape == model::Shape::Sine ? ", " + Short(in.frequency) + " Hz" : ""));
    fond.TextOut(130, 70,
                 (in.settings.saturation ? "Usat = ±" + Short(in.settings.usat) + " V"
                                         : std::string("sans saturation")) +
                     ",  " +
                     (in.settings.deadZone ? "U0 = ±" + Short(in.settings.u0) + " V"
                                           : std::string("sans zone morte")));

    TCanvas& c = *form.Canvas();
    SetBkMode(c.Handle(), TRANSPARENT);
    ChartAxes(c, kAxisBottom, {kVsBase, kUBase, kOmegaBase});
    ChartLabel(c, 60, 52, clGreen, "Ve");
    ChartLabel(c, 84, 52, clRed, "Vs");
    ChartLabel(c, 60, 222, clMaroon, "U");
    OmegaLabel(c, 60, 340);
    TimeLabels(c, {kVsBase, kUBase, kOmegaBase});
    // The time axis in seconds, under the last chart: five marks over the span.
    SetFont(c, "Arial", 7, clBlue);
    c.Pen.Color = clBlue;
    for (int i = 1; i <= 5; ++i) {
        const int x = 50 + Trunc(model::Experiment::kFrames * i / 5.0);
        Line(c, x, kOmegaBase, x, kOmegaBase + 4);
        c.TextOut(x - 10, kOmegaBase + 44,
                  Num(form.Lab.span() * i / 5, form.Lab.span() < 0.1 ? 3 : 2));
    }
    c.TextOut(222, kOmegaBase + 44, "t (s)");
    if (in.settings.saturation) {
        c.Pen.Color = clBlack;
        const int high = scale.U(in.settings.usat), low = scale.U(-in.settings.usat);
        Line(c, 50, high, 210, high);
        Line(c, 50, low, 210, low);
        SetFont(c, "Arial", 8, clBlack);
        c.TextOut(215, high - 6, "+Usat");
        c.TextOut(215, low - 6, "-Usat");
    }
    // The run before, faint, all at once on the first frame, on this run's scales and time axis.
    const std::vector<Sample>& old = form.Lab.previous();
    const auto oldX = [&](const Sample& s) { return 50 + Trunc(159 * s.t / form.Lab.span()); };
    for (std::size_t j = 1; k == 1 && j < old.size() && oldX(old[j - 1]) < 209; ++j) {
        const int x0 = oldX(old[j - 1]), x1 = std::max(x0 + 1, oldX(old[j]));
        CurveStroke(c, kOldVe, x0, scale.Ve(old[j - 1].ve), x1, scale.Ve(old[j].ve));
        CurveStroke(c, kOldVs, x0, scale.Ve(old[j - 1].vs), x1, scale.Ve(old[j].vs));
        CurveStroke(c, kOldU, x0, scale.U(old[j - 1].u), x1, scale.U(old[j].u));
        CurveStroke(c, kOldOmega, x0, scale.Omega(old[j - 1].omega), x1, scale.Omega(old[j].omega));
    }
    CurveStroke(c, clGreen, k + 49, scale.Ve(f[k - 1].ve), k + 50, scale.Ve(f[k].ve));
    CurveStroke(c, clRed, k + 49, scale.Ve(f[k - 1].vs), k + 50, scale.Ve(f[k].vs));
    CurveStroke(c, clMaroon, k + 49, scale.U(f[k - 1].u), k + 50, scale.U(f[k].u));
    CurveStroke(c, clHighlight, k + 49, scale.Omega(f[k - 1].omega), k + 50,
                scale.Omega(f[k].omega));
    // A tick at the top of each chart where the pupil changed something during the run.
    c.Pen.Color = clBlack;
    for (int at : form.Lab.ChangeFrames())
        for (int base : {kVsBase - 78, kUBase - 58, kOmegaBase - 43})
            Line(c, at + 50, base, at + 50, base + 8);

    if (k == model::Experiment::kFrames) {
        // The figures of the run, and those of the linear theory beside them.
        const model::Results r = form.Lab.Measured();
        const model::SecondOrder th = form.Lab.Theory();
        std::vector<std::string> measured;
        if (r.overshootPct)
            measured.push_back("D% = " + Num(*r.overshootPct, 1) + " %" +
                               (r.peakTime ? "   tp = " + Time(*r.peakTime) : ""));
        if (r.settlingTime) measured.push_back("t5% = " + Time(*r.settlingTime));
        if (r.staticError) measured.push_back("erreur statique = " + Num(*r.staticError, 3) + " V");
        if (r.velocityError)
            measured.push_back("erreur de vitesse = " + Num(*r.velocityError, 3) + " V");
        if (r.oscillationPeriod)
            measured.push_back("oscillation : T = " + Time(*r.oscillationPeriod) +
                               ", A = " + Num(*r.oscillationAmplitude, 3) + " V");
        if (measured.empty()) measured.push_back("pas de régime établi");
        SetFont(fond, "Arial", 8, clRed);
        fond.TextOut(130, 90, "Mesures :");
        int y = 100;
        for (const std::string& line : measured)
            fond.TextOut(140, y, line), y += 10;
        fond.Font.Color = clBlue;
        y += 5;
        fond.TextOut(130, y, "Théorie (2e ordre, L négligée) :");
        fond.TextOut(140, y + 10, "Z = " + Num(th.zeta, 2) + "   wn = " + Num(th.wn, 1) + " rad/s");
        fond.TextOut(140, y + 20,
                     th.zeta < 1
                         ? "D% = " + Num(th.overshootPct, 1) + " %   tp = " + Time(th.peakTime)
                         : std::string("pas de dépassement (Z >= 1)"));
        const double gc = form.Lab.Critical();
        fond.TextOut(
            140, y + 30,
            "Gc (Routh) = " + Num(gc, 1) + " : " + (in.settings.gain < gc ? "stable" : "instable"));
    }
}
