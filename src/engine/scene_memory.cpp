#include "engine/scene_memory.h"

#include "app/table.h"
#include "engine/globals.h"

namespace {

std::array<std::int32_t*, 5> Steps() {
    return {&StepLowGain, &StepHighGain, &StepInstability, &StepTrapezoid, &StepNonLinear};
}

std::array<TButton**, 4> Buttons() {
    return {&B1, &B2, &B3, &B4};
}

std::array<std::int32_t*, 4> Created() {
    return {&B1Created, &B2Created, &B3Created, &B4Created};
}

std::array<TBitmap*, 4> Bitmaps() {
    return {TableBitmap.get(), TableMask.get(), LeftPulley.get(), RightPulley.get()};
}

}  // namespace

SceneMemory CaptureScene(Ttable& form) {
    SceneMemory m;
    m.phase = Phase;
    for (std::size_t i = 0; i < m.steps.size(); ++i)
        m.steps[i] = *Steps()[i];
    m.trapezoidVs = TrapezoidVs;
    m.veFromY = VeFromY;
    m.veToY = VeToY;
    m.lab = Lab;
    for (std::size_t i = 0; i < m.bitmaps.size(); ++i) {
        TBitmap* b = Bitmaps()[i];
        m.bitmaps[i] = {std::as_const(*b).Image(), b->Canvas()->SaveState()};
    }
    m.canvas = {form.CanvasImage(), form.Canvas()->SaveState()};
    for (std::size_t i = 0; i < 4; ++i) {
        m.buttons[i] = *Buttons()[i];
        m.created[i] = *Created()[i];
    }
    return m;
}

void RestoreScene(Ttable& form, const SceneMemory& m) {
    Phase = m.phase;
    for (std::size_t i = 0; i < m.steps.size(); ++i)
        *Steps()[i] = m.steps[i];
    TrapezoidVs = m.trapezoidVs;
    VeFromY = m.veFromY;
    VeToY = m.veToY;
    // The pupil's changes during the run are kept: they are what the run is replayed with.
    const auto changes = Lab.Changes();
    Lab = m.lab;
    Lab.SetChanges(changes);
    for (std::size_t i = 0; i < m.bitmaps.size(); ++i) {
        TBitmap* b = Bitmaps()[i];
        b->Image() = m.bitmaps[i].image;
        b->Canvas()->RestoreState(m.bitmaps[i].state);
    }
    form.RestoreCanvas(m.canvas.image);
    form.Canvas()->RestoreState(m.canvas.state);
    for (std::size_t i = 0; i < 4; ++i) {
        *Buttons()[i] = m.buttons[i];
        *Created()[i] = m.created[i];
    }
}
