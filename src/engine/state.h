// The program's one state: the window's controls and canvas, the phase counter that drives the
// scenes, the scenes' step counters and memories, the off-screen bitmaps, the comment buttons and
// the laboratory's run. A plain value: going back in a lesson puts back a copy taken when it
// started, and a recording made off screen runs on a state of its own. The pictures of a copy
// share their pixels with the original until either is drawn on.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "canvas/canvas.h"
#include "engine/controls.h"
#include "model/experiment.h"

// Where the shell finds the commentary documents by name.
class DocumentSource {
  public:
    struct File {
        std::string bytes;
        std::string error;  // empty when found and read: else why not, in French
    };
    virtual ~DocumentSource() = default;
    virtual File Read(const std::string& name) const = 0;
};

struct State {
    State();  // the window as it is created: every control, the bitmaps, the idle screen

    // The window: its client area is 793 x 553, the right edge of FOND and the bottom of
    // RichEdit2.
    static constexpr int kWidth = 793;
    static constexpr int kHeight = 553;

    // Controls, in declaration order.
    TTimer Timer1;
    TImage FOND;
    TLabel Label1, Label2;
    TListBox ListBox1;
    TLabel Label3;
    TButton Button1;
    TLabel Label4, Label5;
    TRichEdit RichEdit1, RichEdit2;
    TScrollBar ScrollBar1;
    TLabel Label6;

    // The window colour, shown wherever no control and no drawing covers the client area, and
    // the window's own canvas, in client coordinates.
    TColor Color = clBtnFace;
    TBitmap WindowCanvas;
    TCanvas* Canvas() { return WindowCanvas.Canvas(); }

    // 0 idle, -1 presentation, otherwise the current frame of a lesson's block of values.
    std::int32_t Phase = 0;

    // Step k of each closed-loop lesson (Phase minus the lesson's base).
    std::int32_t StepLowGain = 0;
    std::int32_t StepHighGain = 0;
    std::int32_t StepInstability = 0;
    std::int32_t StepTrapezoid = 0;
    std::int32_t StepNonLinear = 0;

    // The trapezoidal lesson's simulated output and set-point ordinates. Never reset by a restart.
    double TrapezoidVs = 0.0;
    double VeFromY = 0.0;
    double VeToY = 0.0;

    // The laboratory's run: the loop's model, the pupil's inputs and what the run has given so far.
    model::Experiment Lab;

    // Off-screen bitmaps.
    TBitmap PenSprite;
    TBitmap TableBitmap;
    TBitmap TableMask;
    TBitmap BackgroundBitmap;
    TBitmap LeftPulley;
    TBitmap RightPulley;

    // Run-time comment buttons and whether each was ever created.
    TButton B1, B2, B3, B4;
    std::int32_t B1Created = 0;
    std::int32_t B2Created = 0;
    std::int32_t B3Created = 0;
    std::int32_t B4Created = 0;

    // What the shell provides and takes: the documents, and messages for the user (a document
    // that could not be shown...), each shown once and then removed by the shell.
    const DocumentSource* Documents = nullptr;
    std::vector<std::string> Messages;
};

// Gives every picture of the state pixels of its own (a copy shares them with the state it was
// copied from until drawn on), so that its next tick costs what a tick of the original costs.
void OwnPictures(State& s);

// The event handlers of the window.
void Timer1Timer(State& s);
void Button1Click(State& s);
void B1Click(State& s);
void B2Click(State& s);
void B3Click(State& s);
void B4Click(State& s);

// The drawing as the window shows it: its canvas with FOND's picture over it (the controls are
// the shells').
Picture Drawing(const State& s);

// The part of the drawing changed since the last call (for repainting only that), in client
// coordinates.
Rect TakeDirtyRect(State& s);
