// Step response of the closed loop with a low gain G: the pen reaches its new position along an
// over-damped second-order response, without overshoot. The last frame opens the first comment
// page.
#include <cmath>

#include "engine/commentary.h"
#include "engine/frame.h"
#include "engine/scenes.h"
#include "engine/state.h"
#include "lessons/lessons.h"
#include "scenery/chart.h"
#include "scenery/diagram.h"
#include "scenery/strokes.h"
#include "scenery/table_view.h"

namespace {

// The two time constants of the loop, 20.1 and 10.1 frames.
constexpr double A = 0.04975124378109452;
constexpr double B = 0.09900990099009901;

// Output, from 0 up to 1 without overshoot.
double s(int k) {
    return 1 - 2 * std::exp(-A * k) + std::exp(-B * k);
}

// Motor speed: a hump near k = 14, back to 0.
double w(int k) {
    return std::exp(-A * k) - std::exp(-B * k);
}

// Pen-tip x: 60 pixels to the left at the end of the move.
double X(int k) {
    return 298 - 60 * s(k);
}

// Pulley angle in radians.
double a(int k) {
    return 4 * s(k);
}

}  // namespace

void LowGainStep(State& form) {
    form.RichEdit1.Visible = false;
    form.Phase = form.Phase + 1;
    form.StepLowGain = form.Phase - 201;
    const int k = form.StepLowGain;

    ResetSceneSurface(form);
    TCanvas& fond = *form.FOND.Canvas();
    DrawBlockDiagram(fond, DiagramVariant::Standard);
    DrawTableView(form, fond, TableMotion{k, k, X(k), X(k + 1), X(k) - 10, a(k - 1), a(k)});

    TCanvas& c = *form.Canvas();
    SetBkMode(c.Handle(), TRANSPARENT);
    ChartAxes(c, 400, {190, 290, 390});
    ChartLabel(c, 60, 110, clGreen, "Ve");
    ChartLabel(c, 80, 160, clRed, "Vs");
    ChartLabel(c, 70, 230, clMaroon, "U=G.V");
    ChartLabel(c, 90, 260, clBlue, "V=Ve - Vs");
    OmegaLabel(c, 60, 330);
    TimeLabels(c, {190, 290, 390});

    // Ve: a step of 60 pixels.
    CurveStroke(c, clGreen, 40, 190, 50, 190);
    CurveStroke(c, clGreen, 50, 190, 50, 130);
    CurveStroke(c, clGreen, k + 49, 130, k + 50, 130);
    // Vs climbs to the Ve level.
    CurveStroke(c, clRed, k + 49, Trunc(190 - 60 * s(k)), k + 50, Trunc(190 - 60 * s(k + 1)));
    // U = G.V, two thirds of V: the gain is low.
    CurveStroke(c, clMaroon, 40, 289, 49, 289);
    CurveStroke(c, clMaroon, 49, 289, 49, 250);
    CurveStroke(c, clMaroon, k + 48, Trunc(250 + 40 * s(k)), k + 49, Trunc(250 + 40 * s(k + 1)));
    // V = Ve - Vs falls to zero.
    CurveStroke(c, clBlue, 40, 289, 49, 289);
    CurveStroke(c, clBlue, 49, 289, 49, 230);
    CurveStroke(c, clBlue, k + 48, Trunc(230 + 60 * s(k)), k + 49, Trunc(230 + 60 * s(k + 1)));
    // Omega: the motor speed.
    CurveStroke(c, clHighlight, 40, 391, 50, 391);
    CurveStroke(c, clHighlight, k + 50, Trunc(391 - 120 * w(k)), k + 51,
                Trunc(391 - 120 * w(k + 1)));

    if (k > 130) {
        SetFont(fond, "Arial", 8, clRed);
        fond.TextOut(110, 80, "La réponse indicielle est");
        fond.TextOut(110, 90, "d'ordre 2 sans dépassement.");
        fond.Font.Color = clMaroon;
        fond.TextOut(180, 170, "La tension de commande U");
        fond.TextOut(180, 180, "est peu importante car ");
        fond.TextOut(180, 190, "G est faible. Elle est");
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

        // These two labels get an opaque button-face ground: the brush colour is their background.
        c.Brush.Color = clBtnFace;
        c.Font.Size = 8;
        c.TextOut(190, 135, "erreur de position=0");
        c.TextOut(190, 295, "erreur de position=0");
        c.Pen.Color = clBlue;
        c.Pen.Width = 1;
        // Marker at the end of Vs, on the Ve level.
        Line(c, 180, 120, 180, 150);
        Line(c, 175, 125, 185, 135);
        Line(c, 175, 135, 185, 125);
        Line(c, 180, 150, 250, 150);
        // Marker at the end of V, on its axis.
        Line(c, 180, 280, 180, 310);
        Line(c, 175, 285, 185, 295);
        Line(c, 175, 295, 185, 285);
        Line(c, 180, 310, 250, 310);
        SetBkMode(c.Handle(), TRANSPARENT);
        SetFont(c, "Arial", 8, clBlue);
        c.TextOut(10, 410, "L'identification n'est pas très facile, car peu de paramètres");
        c.TextOut(10, 420, "à mesurer sur la réponse indicielle. Il est préférable d'augmenter");
        c.TextOut(10, 430, "le gain G, en conséquence l'amortissement Z va diminuer,");
        c.TextOut(10, 440, "et donc Vs va présenter du dépassement.");
    }

    if (k > 158) {
        form.RichEdit1.Visible = true;
        LoadCommentary(form, form.RichEdit1, SceneOf(2)->page);
    }
}
