// The timer tick: the speed bar sets the period, then Phase chooses at most one scene step.
#include "engine/scenes.h"
#include "engine/state.h"

void Timer1Timer(State& s) {
    if (s.Timer1.Interval != s.ScrollBar1.Position) s.Timer1.Interval = s.ScrollBar1.Position;

    // Independent tests, in the table's order: a lesson's increment never reaches a later range.
    for (const Scene& scene : Scenes())
        if (s.Phase >= scene.low && s.Phase <= scene.high) scene.step(s);
}
