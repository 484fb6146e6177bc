// Trapezoidal response in closed loop: the set point Ve climbs a ramp, holds a plateau, falls back
// and stays at zero; the output Vs follows it through a first-order lag, trailing on the ramps by
// the velocity error and catching up on the plateau. Vs is simulated from one frame to the next
// (form.TrapezoidVs, in chart pixels above the time axis) and is never reset: a new run goes on
// from wherever the last one left it.
#include "engine/commentary.h"
#include "engine/frame.h"
#include "engine/state.h"
#include "lessons/lessons.h"
#include "scenery/chart.h"
#include "scenery/diagram.h"
#include "scenery/strokes.h"
#include "scenery/table_view.h"

namespace {

// The set point's share of the recurrence, 0.1667·h(k), with h the set-point height at the start
// of frame k's segment: 2·(k−1) on the rising ramp, 78 on the plateau, 278 − 2·k on the falling
// ramp, 0 afterwards.
double Drive(int k) {
    if (k <= 39) return 0.1667 * (2 * (k - 1));
    if (k <= 99) return 13.0026;
    if (k <= 138) return 0.1667 * (278 - 2 * k);
    return 0.0;
}

// First-order lag: each frame closes one sixth of the gap between Vs and the set point.
double NextVs(int k, double vs) {
    return Drive(k) + 0.8333 * vs;
}

// Base c of the Vs ordinate on the chart: one pixel lower after the rising ramp, so that on the
// plateau Vs settles just under the Ve line and both stay visible.
int VsBase(int k) {
    return k <= 39 ? 190 : 191;
}

// Base d of the trace's end on the paper: on the plateau the segment ends at the pen tip itself.
int TraceBase(int k) {
    return (k >= 40 && k <= 99) ? 197 : 198;
}

}  // namespace

void TrapezoidStep(State& form) {
    form.RichEdit1.Visible = false;
    form.Phase = form.Phase + 1;
    form.StepTrapezoid = form.Phase - 801;
    const int k = form.StepTrapezoid;

    ResetSceneSurface(form);
    TCanvas& fond = *form.FOND.Canvas();
    DrawBlockDiagram(fond, DiagramVariant::Standard);
    // Trace, pen and spokes are drawn below, over the finished table, so that the whole trace
    // segment lies on the paper.
    DrawTableWithoutPen(form, fond, k, k);

    TCanvas& c = *form.Canvas();
    SetBkMode(c.Handle(), TRANSPARENT);
    ChartAxes(c, 210, {190});
    ChartLabel(c, 60, 110, clGreen, "Ve");
    ChartLabel(c, 75, 160, clRed, "Vs");
    TimeLabels(c, {190});
    c.Pen.Width = 1;

    // The Ve segment of the current stretch.
    c.Pen.Color = clGreen;
    if (k <= 39) {  // rising ramp, with its lead-in
        Line(c, 40, 190, 50, 190);
        form.VeFromY = 190 - 2 * (k - 1);
        form.VeToY = 190 - 2 * k;
        Line(c, k + 49, Trunc(form.VeFromY), k + 50, Trunc(form.VeToY));
    } else if (k <= 99) {  // plateau
        Line(c, k + 49, 112, k + 50, 112);
    } else if (k <= 138) {  // falling ramp
        form.VeFromY = 2 * (k - 1) - 86;
        form.VeToY = 2 * k - 86;
        Line(c, k + 49, Trunc(form.VeFromY), k + 50, Trunc(form.VeToY));
    } else {  // zero
        Line(c, k + 49, 190, k + 50, 190);
    }

    // Vs: each stroke starts before the update and ends after it.
    const double vsOld = form.TrapezoidVs;
    c.Pen.Color = clRed;
    c.MoveTo(k + 49, Trunc(VsBase(k) - vsOld));
    TCanvas& t = *form.TableBitmap.Canvas();
    t.Pen.Color = clRed;
    t.Pen.Width = 2;
    t.MoveTo(Trunc(197 - vsOld), 347 - k);
    DrawSpoke(form.LeftPulley, 0.1 * vsOld, clRed);
    DrawSpoke(form.RightPulley, 0.1 * vsOld, clRed);
    form.TrapezoidVs = NextVs(k, vsOld);
    c.LineTo(k + 50, Trunc(VsBase(k) - form.TrapezoidVs));
    t.LineTo(Trunc(TraceBase(k) - form.TrapezoidVs), 348 - k);
    t.Draw(Trunc(187 - form.TrapezoidVs), 306 - k, &form.PenSprite);
    DrawSpoke(form.LeftPulley, 0.1 * form.TrapezoidVs, clGreen);
    DrawSpoke(form.RightPulley, 0.1 * form.TrapezoidVs, clGreen);

    if (k > 130) {
        SetFont(fond, "Arial", 8, clRed);
        fond.TextOut(110, 80, "La tension Vs suit la consigne Ve");
        fond.TextOut(110, 90, "avec un peu de retard sur la rampe.");

        // Velocity error: the gap between Vs and Ve at x = 175 on the falling ramp.
        c.Pen.Color = clBlack;
        c.Pen.Width = 1;
        Line(c, 175, 140, 175, 210);
        Line(c, 175, 210, 130, 210);
        Line(c, 172, 153, 178, 153);
        Line(c, 172, 165, 178, 165);
        // Position error: a cross on the plateau, where Vs meets Ve.
        Line(c, 130, 130, 130, 90);
        Line(c, 130, 90, 80, 90);
        Line(c, 123, 105, 137, 119);
        Line(c, 137, 105, 123, 119);
        SetFont(c, "Arial", 10, clBlack);
        c.TextOut(135, 220, "erreur de vitesse = a/k");
        c.TextOut(135, 240, "a=pente de la rampe");
        c.TextOut(85, 75, "erreur de position=0");
        c.TextOut(60, 300, "Le gain G est choisi de façon à ce que");
        c.TextOut(60, 315, "l'amortissement : Z=1 en boucle fermée");
        c.TextOut(60, 330, "(pas de dépassement mais il subsiste");
        c.TextOut(60, 345, "une erreur de vitesse).");
    }

    if (k > 158) {
        CreateCommentButton(form.B3, form.B3Created, "Interprétation des résultats");
    }
}
