#include "engine/globals.h"

void ResetProgramState() {
    Phase = 0;
    StepLowGain = 0;
    StepHighGain = 0;
    StepInstability = 0;
    StepTrapezoid = 0;
    StepNonLinear = 0;
    TrapezoidVs = 0.0;
    VeFromY = 0.0;
    VeToY = 0.0;
    PenSprite.reset();
    TableBitmap.reset();
    TableMask.reset();
    BackgroundBitmap.reset();
    LeftPulley.reset();
    RightPulley.reset();
    B1 = B2 = B3 = B4 = nullptr;
    B1Created = B2Created = B3Created = B4Created = 0;
}
