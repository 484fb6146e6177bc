#include "engine/globals.h"

#include <utility>

void ResetProgramState() {
    ProgramGlobals fresh;
    SwapProgramGlobals(fresh);
    table = fresh.table;  // the window being built keeps its place
}

void SwapProgramGlobals(ProgramGlobals& o) {
    std::swap(table, o.table);
    std::swap(Phase, o.Phase);
    std::swap(StepLowGain, o.StepLowGain);
    std::swap(StepHighGain, o.StepHighGain);
    std::swap(StepInstability, o.StepInstability);
    std::swap(StepTrapezoid, o.StepTrapezoid);
    std::swap(StepNonLinear, o.StepNonLinear);
    std::swap(TrapezoidVs, o.TrapezoidVs);
    std::swap(VeFromY, o.VeFromY);
    std::swap(VeToY, o.VeToY);
    std::swap(Lab, o.Lab);
    std::swap(PenSprite, o.PenSprite);
    std::swap(TableBitmap, o.TableBitmap);
    std::swap(TableMask, o.TableMask);
    std::swap(BackgroundBitmap, o.BackgroundBitmap);
    std::swap(LeftPulley, o.LeftPulley);
    std::swap(RightPulley, o.RightPulley);
    std::swap(B1, o.B1);
    std::swap(B2, o.B2);
    std::swap(B3, o.B3);
    std::swap(B4, o.B4);
    std::swap(B1Created, o.B1Created);
    std::swap(B2Created, o.B2Created);
    std::swap(B3Created, o.B3Created);
    std::swap(B4Created, o.B4Created);
}
