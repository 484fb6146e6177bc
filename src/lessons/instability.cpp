// Closed loop with a very high gain: with no set point at all (Ve = 0) the loop oscillates. The
// pen swings about the middle of the table, the pulleys rock, and U swings in opposition of phase
// with Vs, just reaching the saturation levels that the last frames mark on the chart.
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

// The oscillation: period 2*pi/0.08 = 78.5 steps.
double o(int k) {
    return std::sin(0.08 * k);
}

// Pen-tip x in TableBitmap pixels: 30 pixels each side of 197.
double X(int k) {
    return 197.0 + 30.0 * o(k);
}

}  // namespace

void InstabilityStep(State& form) {
    form.RichEdit1.Visible = false;
    form.Phase = form.Phase + 1;
    form.StepInstability = form.Phase - 601;
    const int k = form.StepInstability;

    ResetSceneSurface(form);
    TCanvas& fond = *form.FOND.Canvas();
    DrawBlockDiagram(fond, DiagramVariant::Standard);
    // The sprite sits one pixel further right than in the step responses, and the spokes run
    // one step ahead of the pen: this tick erases -o(k), drawn by the previous one.
    DrawTableView(form, fond, TableMotion{k, k, X(k), X(k + 1), X(k) - 9.0, -o(k), -o(k + 1)});

    TCanvas& c = *form.Canvas();
    SetBkMode(c.Handle(), TRANSPARENT);
    ChartAxes(c, 350, {190, 290});
    ChartLabel(c, 60, 90, clGreen, "Ve=0");
    ChartLabel(c, 75, 160, clRed, "Vs");
    ChartLabel(c, 80, 300, clMaroon, "U");
    TimeLabels(c, {190, 290});

    CurveStroke(c, clRed, k + 49, Trunc(190.0 + 30.0 * o(k)), k + 50,
                Trunc(190.0 + 30.0 * o(k + 1)));
    CurveStroke(c, clMaroon, k + 49, Trunc(290.0 - 50.0 * o(k)), k + 50,
                Trunc(290.0 - 50.0 * o(k + 1)));

    if (k > 130) {
        SetFont(fond, "Arial", 8, clRed);
        fond.TextOut(110, 80, "Même en l'absence de consigne");
        fond.TextOut(110, 90, "la boucle fermée oscille.");
        fond.Font.Color = clMaroon;
        fond.TextOut(180, 170, "La tension de commande U");
        fond.TextOut(180, 180, "est en opposition de phase");
        fond.TextOut(180, 190, "avec Vs. Sa saturation limite");
        fond.TextOut(180, 200, "les variations en amplitude de Vs");
        fond.Font.Color = clHighlight;
        fond.TextOut(240, 240, "La vitesse du moteur");
        fond.TextOut(240, 250, "varie, elle aussi");
        fond.TextOut(240, 260, "de façon sinusoïdale.");

        // Saturation levels of U, 50 pixels each side of its axis.
        c.Pen.Color = clBlack;
        c.Pen.Width = 1;
        Line(c, 50, 240, 210, 240);
        Line(c, 50, 340, 210, 340);

        c.Font.Size = 10;
        c.Font.Color = clBlack;
        c.TextOut(215, 235, "+Usat");
        c.TextOut(215, 335, "-Usat");
    }

    if (k > 158) {
        CreateCommentButton(form.B2, form.B2Created, "Interprétation des résultats");
    }
}
