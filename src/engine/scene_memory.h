// What a lesson's run depends on besides its own frame number, as a value: the phase and step
// counters, the trapezoid's memory, the laboratory's run, the pictures and canvas states of the
// table bitmaps, the pulleys and the window's canvas, and the comment buttons. Taken when a lesson
// starts, it lets the lesson be replayed, unseen, to any of its frames: the picture is then the one
// the lesson draws, by construction.
#pragma once

#include <QImage>
#include <array>
#include <cstdint>

#include "canvas/canvas.h"
#include "canvas/controls.h"
#include "model/experiment.h"

class Ttable;

struct SceneMemory {
    std::int32_t phase = 0;
    std::array<std::int32_t, 5> steps{};  // low gain, high gain, instability, trapezoid, non-linear
    double trapezoidVs = 0.0, veFromY = 0.0, veToY = 0.0;
    model::Experiment lab;
    struct Picture {
        QImage image;
        TCanvas::State state;
    };
    std::array<Picture, 4> bitmaps;     // TableBitmap, TableMask, LeftPulley, RightPulley
    Picture canvas;                     // the window's own
    std::array<TButton*, 4> buttons{};  // B1 to B4
    std::array<std::int32_t, 4> created{};
};

SceneMemory CaptureScene(Ttable& form);

// Puts the memory back; the screen shows it at the next repaint.
void RestoreScene(Ttable& form, const SceneMemory& memory);
