// The presentation: the loop at rest and, on the left, a short illustrated text about each of
// its components.
#include "engine/frame.h"
#include "engine/state.h"
#include "lessons/lessons.h"
#include "scenery/diagram.h"
#include "scenery/strokes.h"
#include "scenery/table_view.h"

void PresentationStep(State& form) {
    form.RichEdit1.Visible = false;
    form.Color = clBtnFace;

    ResetSceneSurface(form);
    TCanvas& fond = *form.FOND.Canvas();
    DrawBlockDiagram(fond, DiagramVariant::Standard);
    DrawTableAtRest(form, fond, form.Phase);

    TCanvas& c = *form.Canvas();
    SetBkMode(c.Handle(), TRANSPARENT);
    SetFont(c, "Arial", 15, clRed);
    c.TextOut(40, 40, "*");
    c.TextOut(40, 100, "*");
    c.TextOut(40, 175, "*");
    c.TextOut(40, 235, "*");
    c.TextOut(40, 280, "*");
    c.TextOut(40, 325, "*");
    SetFont(c, "Arial", 8, clBlue);
    c.TextOut(50, 40, "L'amplificateur de réglage est un ampli de");
    c.TextOut(40, 55, "faible puissance à amplificateurs opérationnels.");
    c.TextOut(40, 70, "Le gain en tension G est supposé réglable.");
    c.TextOut(50, 100, "L'amplificateur de puissance utilise un amplificateur");
    c.TextOut(40, 115, "opérationnel de puissance, capable de délivrer un courant");
    c.TextOut(40, 130, "de quelques centaines de mA. On suppose que son gain");
    c.TextOut(40, 145, "en tension est réglé à 1;");
    c.TextOut(50, 175, "Le moteur à courant continu est à aimants permanents.");
    c.TextOut(40, 190, "U est la tension appliquée sur l'induit, I le courant");
    c.TextOut(40, 205, "consommé. Il est de faible puissance (10 à 20W).");
    c.TextOut(50, 235, "Le crayon est entraîné par une courroie crantée et ");
    c.TextOut(40, 250, "deux poulies de même dimensions.");
    c.TextOut(50, 280, "Le réducteur mécanique permet de réduire à moins");
    c.TextOut(40, 295, "d'un tour la variation angulaire de son arbre de sortie");
    c.TextOut(50, 325, "Le capteur de position est un capteur angulaire");
    c.TextOut(40, 340, "potentiométrique. Il délivre une tension Vs variant");
    c.TextOut(40, 355, "de -10V à +10V en fonction de l'angle mesuré");
    c.TextOut(40, 370, "(mesure sur un tour MAXI).");
    SetFont(c, "Arial", 10, clRed);
    c.TextOut(100, 400, "Objectif de la table :");
    c.TextOut(40, 420, "Imprimer sur le papier le signal appliqué sur Ve");
    SetFont(c, "Symbol", 10, clBlue);
    c.TextOut(300, 293, "q");
}
