// One step (one frame) of each scene, run by the timer tick according to Phase (see
// engine/scenes.h).
#pragma once

struct State;

void IdleScreenStep(State& s);
void PresentationStep(State& s);
void OpenLoopStep(State& s);
void LowGainStep(State& s);
void HighGainStep(State& s);
void InstabilityStep(State& s);
void TrapezoidStep(State& s);
void NonLinearStep(State& s);
void LaboratoryStep(State& s);
