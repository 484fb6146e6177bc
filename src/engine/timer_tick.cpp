// The timer tick: the speed bar sets the period, then Phase chooses at most one scene step.
#include "app/table.h"
#include "engine/globals.h"
#include "lessons/lessons.h"

void Ttable::Timer1Timer(QObject* /*Sender*/) {
    if (BackgroundBitmap == nullptr) return;  // the window is being destroyed

    if (Timer1->Interval() != ScrollBar1->value()) Timer1->SetInterval(ScrollBar1->value());

    // Independent tests, in this order: a lesson's increment never reaches a later range.
    if (Phase == 0) IdleScreenStep(*this);
    if (Phase == -1) PresentationStep(*this);
    if (Phase > 0 && Phase < 160) OpenLoopStep(*this);
    if (Phase > 200 && Phase < 360) LowGainStep(*this);
    if (Phase > 400 && Phase < 560) HighGainStep(*this);
    if (Phase > 600 && Phase < 760) InstabilityStep(*this);
    if (Phase > 800 && Phase < 960) TrapezoidStep(*this);
    if (Phase > 1000 && Phase < 1160) NonLinearStep(*this);
    if (Phase > 1200 && Phase < 1360) LaboratoryStep(*this);

    ShowDrawing();
}
