// One step (one frame) of each scene, run by the timer tick according to Phase.
#pragma once

class Ttable;

void IdleScreenStep(Ttable& form);    // Phase = 0
void PresentationStep(Ttable& form);  // Phase = -1
void OpenLoopStep(Ttable& form);      // 0 < Phase < 160
void LowGainStep(Ttable& form);       // 200 < Phase < 360
void HighGainStep(Ttable& form);      // 400 < Phase < 560
void InstabilityStep(Ttable& form);   // 600 < Phase < 760
void TrapezoidStep(Ttable& form);     // 800 < Phase < 960
void NonLinearStep(Ttable& form);     // 1000 < Phase < 1160
void LaboratoryStep(Ttable& form);    // 1200 < Phase < 1360
