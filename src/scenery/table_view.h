// The plotter table seen from above: belt, pulleys with their spokes, pen carriage and the paper
// that advances one row per tick under the pen. Each tick lays the two table bitmaps onto FOND as
// the previous tick left them (AND mask, then OR picture) and rebuilds them for this tick.
#pragma once

#include "canvas/canvas.h"

struct State;

// The numbers that move, for one tick.
struct TableMotion {
    int k;         // paper advance
    int v;         // vertical draw offset on FOND
    double X;      // pen-tip x at this step, in TableBitmap pixels
    double Xnext;  // pen-tip x at the next step
    double Xs;     // left edge of the pen sprite
    double aPrev;  // pulley angle drawn by the previous tick, erased now (radians)
    double aNew;   // pulley angle to draw (radians)
};

// The whole table step in its usual order.
void DrawTableView(State& s, TCanvas& fond, const TableMotion& m);

// The table at rest of the idle screen and the presentation: paper advance 0, pen tip at 299,
// sprite at 289, and only the new spokes, at 0.1 rad.
void DrawTableAtRest(State& s, TCanvas& fond, int v);

// The table step without its moving parts (trace segment, pen sprite, spokes), for a scene that
// draws them itself over the finished table.
void DrawTableWithoutPen(State& s, TCanvas& fond, int k, int v);

// Redraws a pulley's spoke: the old one in the disc's red, then the new one in green.
void SpokeStep(TBitmap& pulley, double aPrev, double aNew);

// One spoke of a pulley at angle a (x from the cosine, y from the sine, y downwards), pen width 2.
void DrawSpoke(TBitmap& pulley, double a, TColor colour);
