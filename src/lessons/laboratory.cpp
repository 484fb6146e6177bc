// The laboratory: the loop driven by its physical model (src/model) with the gain, set point,
// saturation and dead zone the pupil chose. The same scenery as the lessons: the block diagram,
// the table whose pen and pulleys follow the model, and charts of Ve and Vs, U and Ω growing one
// column per frame over the run's span, on a time axis in seconds. The run before stays on the
// charts as a faint trace; a change made during the run is marked by a tick on each chart; the
// last frame gives the figures measured on the run beside those of the linear theory.
#include <QString>
#include <algorithm>
#include <cmath>

#include "app/table.h"
#include "engine/frame.h"
#include "engine/globals.h"
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
QString Num(double v, int decimals) {
    QString text = QString::number(v, 'f', decimals).replace(QLatin1Char('.'), QLatin1Char(','));
    if (text.startsWith(QLatin1Char('-')) && text.count(QLatin1Char('0')) == text.size() - 2)
        text.remove(0, 1);
    return text;
}

// A setting as the pupil typed it: four significant digits at most.
QString Short(double v) {
    return QString::number(v, 'g', 4).replace(QLatin1Char('.'), QLatin1Char(','));
}

// A duration in milliseconds below a second.
QString Time(double s) {
    return s < 1 ? Num(s * 1000, 1) + QStringLiteral(" ms") : Num(s, 3) + QStringLiteral(" s");
}

QString ShapeName(model::Shape shape) {
    switch (shape) {
        case model::Shape::Step:
            return QStringLiteral("échelon");
        case model::Shape::Ramp:
            return QStringLiteral("rampe");
        case model::Shape::Trapezoid:
            return QStringLiteral("trapèze");
        case model::Shape::Sine:
            return QStringLiteral("sinus");
    }
    return {};
}

}  // namespace

void LaboratoryStep(Ttable& form) {
    form.RichEdit1->setVisible(false);
    Phase = Phase + 1;
    const int k = Phase - 1201;
    Lab.AdvanceTo(k);
    const std::vector<Sample>& f = Lab.frames();
    if (static_cast<int>(f.size()) <= k) return;  // no run: nothing to draw
    const model::Inputs& in = Lab.inputs();
    const Scales scale = Scales::Of(Lab.startInputs(), Lab.parameters());

    ResetSceneSurface(form);
    TCanvas& fond = *form.FOND->Canvas();
    DrawBlockDiagram(fond, DiagramVariant::Standard);
    DrawTableView(fond, TableMotion{k, k, PenX(f[k - 1]), PenX(f[k]), PenX(f[k]) - 10,
                                    f[k - 1].angle, f[k].angle});

    // What the pupil set, over the diagram.
    SetBkMode(fond.Handle(), TRANSPARENT);
    SetFont(fond, "Arial", 8, clBlack);
    fond.TextOut(
        130, 60,
        QStringLiteral("G = %1   %2 de %3 V")
                .arg(Short(in.settings.gain), ShapeName(in.shape), Short(in.amplitude)) +
            (in.shape == model::Shape::Sine ? QStringLiteral(", %1 Hz").arg(Short(in.frequency))
                                            : QString()));
    fond.TextOut(
        130, 70,
        (in.settings.saturation ? QStringLiteral("Usat = ±%1 V").arg(Short(in.settings.usat))
                                : QStringLiteral("sans saturation")) +
            QStringLiteral(",  ") +
            (in.settings.deadZone ? QStringLiteral("U0 = ±%1 V").arg(Short(in.settings.u0))
                                  : QStringLiteral("sans zone morte")));

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
        c.TextOut(x - 10, kOmegaBase + 44, Num(Lab.span() * i / 5, Lab.span() < 0.1 ? 3 : 2));
    }
    c.TextOut(222, kOmegaBase + 44, QStringLiteral("t (s)"));
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
    const std::vector<Sample>& old = Lab.previous();
    const auto oldX = [&](const Sample& s) { return 50 + Trunc(159 * s.t / Lab.span()); };
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
    for (int at : Lab.ChangeFrames())
        for (int base : {kVsBase - 78, kUBase - 58, kOmegaBase - 43})
            Line(c, at + 50, base, at + 50, base + 8);

    if (k == model::Experiment::kFrames) {
        // The figures of the run, and those of the linear theory beside them.
        const model::Results r = Lab.Measured();
        const model::SecondOrder th = Lab.Theory();
        std::vector<QString> measured;
        if (r.overshootPct)
            measured.push_back(
                QStringLiteral("D% = %1 %").arg(Num(*r.overshootPct, 1)) +
                (r.peakTime ? QStringLiteral("   tp = %1").arg(Time(*r.peakTime)) : QString()));
        if (r.settlingTime)
            measured.push_back(QStringLiteral("t5% = %1").arg(Time(*r.settlingTime)));
        if (r.staticError)
            measured.push_back(
                QStringLiteral("erreur statique = %1 V").arg(Num(*r.staticError, 3)));
        if (r.velocityError)
            measured.push_back(
                QStringLiteral("erreur de vitesse = %1 V").arg(Num(*r.velocityError, 3)));
        if (r.oscillationPeriod)
            measured.push_back(
                QStringLiteral("oscillation : T = %1, A = %2 V")
                    .arg(Time(*r.oscillationPeriod), Num(*r.oscillationAmplitude, 3)));
        if (measured.empty()) measured.push_back(QStringLiteral("pas de régime établi"));
        SetFont(fond, "Arial", 8, clRed);
        fond.TextOut(130, 90, QStringLiteral("Mesures :"));
        int y = 100;
        for (const QString& line : measured)
            fond.TextOut(140, y, line), y += 10;
        fond.Font.Color = clBlue;
        y += 5;
        fond.TextOut(130, y, QStringLiteral("Théorie (2e ordre, L négligée) :"));
        fond.TextOut(140, y + 10,
                     QStringLiteral("Z = %1   wn = %2 rad/s").arg(Num(th.zeta, 2), Num(th.wn, 1)));
        fond.TextOut(140, y + 20,
                     th.zeta < 1 ? QStringLiteral("D% = %1 %   tp = %2")
                                       .arg(Num(th.overshootPct, 1), Time(th.peakTime))
                                 : QStringLiteral("pas de dépassement (Z >= 1)"));
        const double gc = Lab.Critical();
        fond.TextOut(140, y + 30,
                     QStringLiteral("Gc (Routh) = %1 : %2")
                         .arg(Num(gc, 1), in.settings.gain < gc ? QStringLiteral("stable")
                                                                : QStringLiteral("instable")));
    }
}
