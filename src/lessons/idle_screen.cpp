// The idle screen: the block diagram and the plotter table at rest, from start-up until a scene
// is started.
#include "app/table.h"
#include "engine/frame.h"
#include "engine/globals.h"
#include "lessons/lessons.h"
#include "scenery/diagram.h"
#include "scenery/table_view.h"

void IdleScreenStep(Ttable& form) {
    form.RichEdit1->setVisible(false);
    form.RichEdit2->setVisible(false);
    form.Color = clBtnFace;

    ResetSceneSurface(form);
    TCanvas& fond = *form.FOND->Canvas();
    DrawBlockDiagram(fond, DiagramVariant::Standard);
    DrawTableAtRest(fond, Phase);
}
