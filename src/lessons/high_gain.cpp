// Closed loop with a high gain: an under-damped step response. The pen overshoots its new place
// and swings back; the charts show Ve, Vs and the control voltage U, and the last frames mark the
// overshoot D%, the peak time tp and Umax before offering the commentary button.
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

// Step response of a second-order loop with damping 0.5, natural pulsation 0.05 per step. These
// rounded constants are the lesson's own: y(0) is 0.00418, not 0, and the peak is at k = 73.
double y(int k) {
    return 1.0 - 1.15 * std::exp(-0.025 * k) * std::sin(0.043 * k + 1.047);
}

// Pen-tip x in TableBitmap pixels: 60 pixels to the left for a unit step.
double X(int k) {
    return 298.0 - 60.0 * y(k);
}

// Pulley angle in radians.
double a(int k) {
    return 4.0 * y(k);
}

}  // namespace

void HighGainStep(State& form) {
    form.RichEdit1.Visible = false;
    form.Phase = form.Phase + 1;
    form.StepHighGain = form.Phase - 401;
    const int k = form.StepHighGain;

    ResetSceneSurface(form);
    TCanvas& fond = *form.FOND.Canvas();
    DrawBlockDiagram(fond, DiagramVariant::Standard);
    DrawTableView(form, fond, TableMotion{k, k, X(k), X(k + 1), X(k) - 10.0, a(k - 1), a(k)});

    TCanvas& c = *form.Canvas();
    SetBkMode(c.Handle(), TRANSPARENT);
    ChartAxes(c, 350, {190, 350});
    ChartLabel(c, 60, 110, clGreen, "Ve");
    ChartLabel(c, 80, 160, clRed, "Vs");
    ChartLabel(c, 80, 300, clMaroon, "U");
    TimeLabels(c, {190, 350});

    CurveStroke(c, clGreen, 40, 190, 50, 190);
    CurveStroke(c, clGreen, 50, 190, 50, 130);
    CurveStroke(c, clGreen, k + 49, 130, k + 50, 130);
    CurveStroke(c, clRed, k + 49, Trunc(190.0 - 60.0 * y(k)), k + 50,
                Trunc(190.0 - 60.0 * y(k + 1)));
    CurveStroke(c, clMaroon, 40, 350, 50, 350);
    CurveStroke(c, clMaroon, 50, 350, 50, 253);
    CurveStroke(c, clMaroon, k + 49, Trunc(253.0 + 100.0 * y(k)), k + 50,
                Trunc(253.0 + 100.0 * y(k + 1)));

    if (k > 130) {
        SetFont(fond, "Arial", 8, clRed);
        fond.TextOut(110, 80, "La réponse indicielle est");
        fond.TextOut(110, 90, "d'ordre 2 avec dépassement,");
        fond.TextOut(110, 100, "car l'amortissement : Z<1");
        fond.Font.Color = clMaroon;
        fond.TextOut(180, 170, "La tension de commande U");
        fond.TextOut(180, 180, "est importante car ");
        fond.TextOut(180, 190, "G est grand. Elle est");
        fond.TextOut(180, 200, "maximum en début de transitoire.");
        fond.Font.Color = clHighlight;
        fond.TextOut(240, 220, "Le moteur est arrêté");
        fond.TextOut(240, 230, "en régime permanent,");
        fond.TextOut(240, 240, "pour Ve=constante,");
        fond.TextOut(240, 250, "car sa tension");
        fond.TextOut(240, 260, "de commande U");
        fond.TextOut(240, 270, "est nulle.");
        fond.Font.Color = clBlue;
        fond.TextOut(120, 50, "V est nulle en régime permanent (erreur de position)");

        // The label's background is painted in the window colour (brush colour set just before).
        c.Brush.Color = clBtnFace;
        c.Font.Size = 8;
        c.TextOut(190, 95, "erreur de position=0");

        // Error marker: Vs ends on the Ve level 130.
        c.Pen.Color = clBlue;
        c.Pen.Width = 1;
        Line(c, 180, 110, 180, 140);
        Line(c, 175, 125, 185, 135);
        Line(c, 175, 135, 185, 125);
        Line(c, 180, 110, 250, 110);

        // Peak markers: column 122 is the peak of Vs (k = 73), at y 120.
        c.Pen.Color = clBlack;
        c.Pen.Width = 1;
        Line(c, 122, 90, 122, 210);
        Line(c, 122, 90, 150, 90);
        Line(c, 50, 200, 122, 200);  // tp
        ArrowLeft(c, 50, 200);
        ArrowRight(c, 122, 200);
        // Overshoot D%: one head down onto the peak level, one up onto the Ve level.
        ArrowDown(c, 122, 120);
        ArrowUp(c, 122, 130);

        SetBkMode(c.Handle(), TRANSPARENT);
        SetFont(c, "Arial", 8, clBlack);
        c.TextOut(130, 75, "D%");
        c.TextOut(85, 205, "tp");
        c.TextOut(55, 240, "Umax");
        c.TextOut(100, 260, "Attention : régime linéaire de fonctionnement");
        c.TextOut(100, 275, "si : Umax = G.Ve < Usaturation");
    }

    if (k > 158) {
        CreateCommentButton(form.B1, form.B1Created, "Interprétation des résultats");
    }
}
