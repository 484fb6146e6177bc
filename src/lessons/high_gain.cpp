// Placeholder frame: the lesson's head, the diagram and the table view at its draw offset.
#include "app/table.h"
#include "engine/frame.h"
#include "engine/globals.h"
#include "lessons/lessons.h"
#include "scenery/diagram.h"
#include "scenery/table_view.h"

void HighGainStep(Ttable& form) {
    form.RichEdit1->setVisible(false);
    Phase = Phase + 1;
    StepHighGain = Phase - 401;
    const int k = StepHighGain;

    ResetSceneSurface(form);
    TCanvas& fond = *form.FOND->Canvas();
    DrawBlockDiagram(fond, DiagramVariant::Standard);
    DrawTableView(fond, TableMotion{k, k, 298.0, 298.0, 288.0, 0.0, 0.0});
}
