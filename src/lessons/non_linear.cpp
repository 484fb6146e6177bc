// Motor non-linearity: with a dead zone between −U0 and +U0 the motor stops as soon as the
// control voltage U = G·(Ve − Vs) has fallen to U0, so with a low gain Vs stays short of Ve.
// Besides the table and the charts of Ve, Vs and U, the motor's speed-voltage characteristic is
// drawn inside the block diagram with the operating point moving along it.
#include <cmath>

#include "engine/commentary.h"
#include "engine/frame.h"
#include "engine/state.h"
#include "lessons/lessons.h"
#include "scenery/chart.h"
#include "scenery/diagram.h"
#include "scenery/strokes.h"
#include "scenery/table_view.h"

namespace {

// Rates of the exponentials, 1/20.1, 1/10.1, 1/28.1 and 1/18.1, in extended precision.
constexpr long double kRate20 = 0.04975124378109452L;
constexpr long double kRate10 = 0.09900990099009901L;
constexpr long double kRate28 = 0.03558718861209964L;
constexpr long double kRate18 = 0.055248618784530384L;

// exp(−n·rate): the negated step as a real times the rate; the law itself is in double.
double Decay(int n, long double rate) {
    const long double exponent = static_cast<long double>(-n) * rate;
    return std::exp(static_cast<double>(exponent));
}

// Response of the loop, 0 at n = 0 and rising without overshoot towards 1.
double s(int n) {
    return 1.0 - 2.0 * Decay(n, kRate20) + Decay(n, kRate10);
}

// Text position of the operating point on the characteristic, from near (307, 55) to (248, 130).
double X(int k) {
    return 248.0 + 60.0 * Decay(k, kRate28) - Decay(k, kRate10);
}
double Y(int k) {
    return 55.0 + 75.0 * (1.0 - 2.0 * Decay(k, kRate18) + Decay(k, kRate10));
}

}  // namespace

void NonLinearStep(State& form) {
    form.RichEdit1.Visible = false;
    form.Phase = form.Phase + 1;
    form.StepNonLinear = form.Phase - 1001;
    const int k = form.StepNonLinear;

    ResetSceneSurface(form);
    TCanvas& fond = *form.FOND.Canvas();
    DrawBlockDiagram(fond, DiagramVariant::Standard);
    // The pen travels 90 pixels to the left, the pulleys turn by 4·s radians.
    DrawTableView(form, fond,
                  TableMotion{k, k, 298.0 - 90.0 * s(k), 298.0 - 90.0 * s(k + 1),
                              288.0 - 90.0 * s(k), 4.0 * s(k - 1), 4.0 * s(k)});

    TCanvas& c = *form.Canvas();
    SetBkMode(c.Handle(), TRANSPARENT);
    ChartAxes(c, 350, {190, 350});
    ChartLabel(c, 60, 110, clGreen, "Ve");
    ChartLabel(c, 80, 165, clRed, "Vs");
    ChartLabel(c, 80, 290, clMaroon, "U");
    ChartLabel(c, 55, 240, clMaroon, "Umax");
    TimeLabels(c, {190, 350});

    SetFont(c, "Arial", 10, clBlue);
    c.TextOut(80, 70, "Le gain G est réglé avec une faible valeur");

    // The motor characteristic, Omega against U, in the empty middle of the diagram; the pen
    // width is still the diagram's 1.
    fond.Pen.Color = clBlue;
    Line(fond, 240, 80, 240, 280);
    Line(fond, 240, 80, 233, 87);
    Line(fond, 240, 80, 247, 87);
    Line(fond, 150, 180, 330, 180);
    Line(fond, 330, 180, 323, 173);
    Line(fond, 330, 180, 323, 187);
    fond.Pen.Color = clYellow;
    Line(fond, 225, 180, 255, 180);
    fond.Pen.Color = clRed;
    Line(fond, 255, 180, 325, 80);
    Line(fond, 225, 180, 155, 280);
    SetFont(fond, "Arial", 8, clMaroon);
    fond.TextOut(120, 50, "Déplacement (supposé quasi-statique)");
    fond.TextOut(120, 60, "du point de fonctionnement :");
    SetFont(fond, "Arial", 10, clBlack);
    fond.TextOut(330, 180, "U");
    fond.Font.Size = 7;
    fond.TextOut(280, 100, "Umax");
    fond.TextOut(250, 185, "+U0");
    fond.TextOut(220, 165, "-U0");
    SetFont(fond, "Symbol", 12, clBlack);
    fond.TextOut(220, 80, "W");

    CurveStroke(c, clGreen, 40, 190, 50, 190);
    CurveStroke(c, clGreen, 50, 190, 50, 130);
    CurveStroke(c, clGreen, k + 49, 130, k + 50, 130);
    CurveStroke(c, clRed, k + 49, Trunc(190 - 45 * s(k)), k + 50, Trunc(190 - 45 * s(k + 1)));
    CurveStroke(c, clMaroon, 40, 350, 50, 350);
    CurveStroke(c, clMaroon, 50, 350, 50, 250);
    CurveStroke(c, clMaroon, k + 48, Trunc(250 + 90 * s(k)), k + 49, Trunc(250 + 90 * s(k + 1)));

    // The operating point: a full stop in a large font (still "Symbol").
    fond.Font.Size = 40;
    fond.Font.Color = clMaroon;
    fond.TextOut(Trunc(X(k)), Trunc(Y(k)), ".");

    if (k > 130) {
        SetFont(c, "Arial", 8, clBlack);
        c.TextOut(190, 95, "erreur de position non nulle!");
        c.Font.Size = 10;
        c.TextOut(185, 300, "+ U0");
        // Position error, between the Ve level (130) and the Vs level (145).
        c.Pen.Color = clBlue;
        c.Pen.Width = 1;
        Line(c, 180, 110, 180, 170);
        Line(c, 180, 130, 173, 123);
        Line(c, 180, 130, 187, 123);
        Line(c, 180, 145, 173, 153);
        Line(c, 180, 145, 187, 153);
        Line(c, 180, 110, 250, 110);
        // U0, between the level where the motor stops (340) and the U axis (350).
        Line(c, 180, 320, 180, 370);
        Line(c, 180, 320, 220, 320);
        Line(c, 180, 340, 173, 333);
        Line(c, 180, 340, 187, 333);
        Line(c, 180, 350, 173, 357);
        Line(c, 180, 350, 187, 357);
    }

    if (k > 158) {
        CreateCommentButton(form.B4, form.B4Created, "Commentaires");
    }
}
