// The idle screen: the block diagram and the plotter table at rest, from start-up until a scene
// is started.
#include "engine/frame.h"
#include "engine/state.h"
#include "lessons/lessons.h"
#include "scenery/diagram.h"
#include "scenery/table_view.h"

void IdleScreenStep(State& form) {
    form.RichEdit1.Visible = false;
    form.RichEdit2.Visible = false;
    form.Color = clBtnFace;

    ResetSceneSurface(form);
    TCanvas& fond = *form.FOND.Canvas();
    DrawBlockDiagram(fond, DiagramVariant::Standard);
    DrawTableAtRest(form, fond, form.Phase);
}
