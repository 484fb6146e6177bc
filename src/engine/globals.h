// The program's state: the phase counter that drives the scenes, the scenes' step counters and
// memories, the off-screen bitmaps and the run-time comment buttons. One instance of each, set
// to its start value when the window is created.
#pragma once

#include <cstdint>
#include <memory>

#include "canvas/canvas.h"
#include "canvas/controls.h"
#include "model/experiment.h"

class Ttable;

// The one window.
inline Ttable* table = nullptr;

// 0 idle, -1 presentation, otherwise the current frame of a lesson's block of values.
inline std::int32_t Phase = 0;

// Step k of each closed-loop lesson (Phase minus the lesson's base).
inline std::int32_t StepLowGain = 0;
inline std::int32_t StepHighGain = 0;
inline std::int32_t StepInstability = 0;
inline std::int32_t StepTrapezoid = 0;
inline std::int32_t StepNonLinear = 0;

// The trapezoidal lesson's simulated output and set-point ordinates. Never reset by a restart.
inline double TrapezoidVs = 0.0;
inline double VeFromY = 0.0;
inline double VeToY = 0.0;

// The laboratory's run: the loop's model, the pupil's inputs and what the run has given so far.
inline model::Experiment Lab;

// Off-screen bitmaps, created with the window and freed by Ttable::Destruction.
inline std::unique_ptr<TBitmap> PenSprite;
inline std::unique_ptr<TBitmap> TableBitmap;
inline std::unique_ptr<TBitmap> TableMask;
inline std::unique_ptr<TBitmap> BackgroundBitmap;
inline std::unique_ptr<TBitmap> LeftPulley;
inline std::unique_ptr<TBitmap> RightPulley;

// Run-time comment buttons (owned by the window) and whether each was ever created.
inline TButton* B1 = nullptr;
inline TButton* B2 = nullptr;
inline TButton* B3 = nullptr;
inline TButton* B4 = nullptr;
inline std::int32_t B1Created = 0;
inline std::int32_t B2Created = 0;
inline std::int32_t B3Created = 0;
inline std::int32_t B4Created = 0;

// Puts every value above back to its start value (the bitmaps are released).
void ResetProgramState();

// All of the above as one value. A second window (an animation recorded off screen while the
// first one goes on) runs on its own set, swapped in around each of its handlers.
struct ProgramGlobals {
    Ttable* table = nullptr;
    std::int32_t Phase = 0, StepLowGain = 0, StepHighGain = 0, StepInstability = 0,
                 StepTrapezoid = 0, StepNonLinear = 0;
    double TrapezoidVs = 0.0, VeFromY = 0.0, VeToY = 0.0;
    model::Experiment Lab;
    std::unique_ptr<TBitmap> PenSprite, TableBitmap, TableMask, BackgroundBitmap, LeftPulley,
        RightPulley;
    TButton *B1 = nullptr, *B2 = nullptr, *B3 = nullptr, *B4 = nullptr;
    std::int32_t B1Created = 0, B2Created = 0, B3Created = 0, B4Created = 0;
};

// Exchanges the program's globals with `other`.
void SwapProgramGlobals(ProgramGlobals& other);
