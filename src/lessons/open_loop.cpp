// Step response in open loop: the feedback is cut, U jumps to a constant, the motor speeds up
// along a first-order exponential and the pen position, the integral of the speed, becomes a ramp.
// The frame number k is Phase itself after the increment (2 to 160).
#include <cmath>

#include "engine/frame.h"
#include "engine/state.h"
#include "lessons/lessons.h"
#include "scenery/chart.h"
#include "scenery/diagram.h"
#include "scenery/strokes.h"
#include "scenery/table_view.h"

namespace {

// The exponential of the start-up; the motor's time constant is 20.1 frames (c = 1 / 20.1).
double e(int k) {
    constexpr double c = 0.04975124378109452;
    return std::exp(-k * c);
}

// Motor speed, from 0 towards 1.
double w(int k) {
    return 1 - e(k);
}

// Motor current, from 1 towards 0.
double i(int k) {
    return e(k);
}

// Pen position in pixels, the integral of w: its slope tends to one pixel per frame.
double theta(int k) {
    return 20.1 * e(k) + (k - 20.1);
}

// Pulley angle in radians.
double a(int k) {
    return 0.1 * k * (1 - e(k));
}

}  // namespace

void OpenLoopStep(State& form) {
    form.RichEdit1.Visible = false;
    form.Phase = form.Phase + 1;
    const int k = form.Phase;

    ResetSceneSurface(form);
    TCanvas& fond = *form.FOND.Canvas();
    DrawBlockDiagram(fond, DiagramVariant::OpenLoop);
    // The pen moves to the left as the position grows.
    DrawTableView(
        form, fond,
        TableMotion{k, k, 298 - theta(k), 298 - theta(k + 1), 287 - theta(k), a(k - 1), a(k)});

    TCanvas& c = *form.Canvas();
    SetBkMode(c.Handle(), TRANSPARENT);
    ChartAxes(c, 400, {190, 290, 390});
    ChartLabel(c, 60, 120, clGreen, "Ve");
    ChartLabel(c, 60, 160, clRed, "Vs");
    ChartLabel(c, 60, 210, clMaroon, "U");
    ChartLabel(c, 60, 245, clGreen, "I");
    OmegaLabel(c, 60, 330);
    TimeLabels(c, {190, 290, 390});

    // Ve: a step of 50 pixels.
    CurveStroke(c, clGreen, 40, 190, 50, 190);
    CurveStroke(c, clGreen, 50, 190, 50, 140);
    CurveStroke(c, clGreen, k + 49, 140, k + 50, 140);
    // Vs: the position.
    CurveStroke(c, clRed, k + 49, Trunc(190 - theta(k - 1)), k + 50, Trunc(190 - theta(k)));
    // U: a step of 59 pixels.
    CurveStroke(c, clMaroon, 40, 289, 49, 289);
    CurveStroke(c, clMaroon, 49, 289, 49, 230);
    CurveStroke(c, clMaroon, k + 48, 230, k + 49, 230);
    // Omega: the speed, 60 pixels at full speed.
    CurveStroke(c, clHighlight, 40, 391, 50, 391);
    CurveStroke(c, clHighlight, k + 50, Trunc(391 - 60 * w(k - 1)), k + 51, Trunc(391 - 60 * w(k)));
    // I: the current, 40 pixels at its peak.
    CurveStroke(c, clGreen, 40, 291, 51, 291);
    CurveStroke(c, clGreen, 51, 291, 51, 250);
    CurveStroke(c, clGreen, k + 50, Trunc(290 - 40 * i(k - 1)), k + 51, Trunc(290 - 40 * i(k)));

    if (k > 20) {
        SetFont(fond, "Arial", 8, clGreen);
        fond.TextOut(180, 170, "Le courant I est maximum");
        fond.TextOut(180, 180, "au démarrage, puis il décroit.");
        fond.TextOut(180, 190, "Il est quasiment nul en régime");
        fond.TextOut(180, 200, "permanent (si frottements négligés).");
        fond.TextOut(180, 210, "Attention : il augmentera fortement");
        fond.TextOut(180, 220, "si le crayon arrive en butée!");
    }

    if (k > 130) {
        SetFont(fond, "Arial", 8, clRed);
        fond.TextOut(130, 80, "Le système est intégrateur :");
        fond.TextOut(130, 90, "la tension de sortie est une");
        fond.TextOut(130, 100, "rampe, en régime permanent,");
        fond.TextOut(130, 110, "en réponse à un échelon");
        fond.TextOut(130, 120, "de position");
        fond.Font.Color = clBlue;
        fond.TextOut(130, 250, "ATTENTION : le");
        fond.TextOut(130, 260, "crayon risque de");
        fond.TextOut(130, 270, "partir en butée");
        fond.Font.Color = clHighlight;
        fond.TextOut(240, 250, "Le moteur accélère");
        fond.TextOut(240, 260, "puis tourne à");
        fond.TextOut(240, 270, "vitesse constante");

        SetFont(c, "Arial", 8, clBlue);
        c.TextOut(40, 410, "Le résultat n'est pas facile à exploiter, car le comportement");
        c.TextOut(40, 420, "est fugitif. Il est préférable de réaliser l'identification");
        c.TextOut(40, 430, "en Boucle Fermée");
    }
}
