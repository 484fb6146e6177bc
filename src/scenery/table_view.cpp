#include "scenery/table_view.h"

#include <cmath>

#include "engine/state.h"
#include "scenery/strokes.h"

namespace {

enum class Moving { All, NewSpokesOnly, None };

// Steps 1 to 3: mask and picture of the previous tick onto FOND, then the new mask.
void ComposeOntoFond(State& s, TCanvas& fond, int k, int v) {
    fond.CopyMode = cmSrcAnd;
    fond.Draw(30, v, &s.TableMask);

    TCanvas& mask = *s.TableMask.Canvas();
    mask.Pen.Color = clWhite;
    mask.Pen.Width = 1;
    mask.Brush.Color = clWhite;
    mask.Brush.Style = bsSolid;
    mask.Rectangle(1, 1, 400, 297 - k);
    mask.Brush.Color = clBlack;
    mask.Rectangle(1, 297 - k, 400, 500);

    fond.CopyMode = cmSrcPaint;
    fond.Draw(32, v + 2, &s.TableBitmap);
}

void RebuildTable(State& s, int k, const TableMotion* pen, Moving moving, double aRest) {
    TCanvas& t = *s.TableBitmap.Canvas();
    t.Pen.Color = clBlack;
    t.Pen.Width = 2;
    t.Brush.Color = clBlack;
    t.Brush.Style = bsSolid;
    t.Rectangle(1, 1, 400, 297 - k);

    if (pen != nullptr) {
        t.Pen.Color = clRed;
        t.Pen.Width = 2;
        Line(t, Trunc(pen->X), 347 - k, Trunc(pen->Xnext + 1), 348 - k);
    }

    // Paper: a blue grid on a white ground that only its top row, the outline, paints.
    t.Brush.Color = clBlue;
    t.Brush.Style = bsCross;
    t.Pen.Color = clWhite;
    t.Pen.Width = 2;
    t.Rectangle(1, 347 - k, 400, 500);

    // Table bed.
    t.Brush.Color = clBtnFace;
    t.Brush.Style = bsSolid;
    t.Pen.Color = clBtnFace;
    t.Pen.Width = 2;
    t.Rectangle(1, 297 - k, 400, 347 - k);

    // Belt.
    t.Pen.Color = clBlue;
    t.Pen.Width = 1;
    Line(t, 63, 296 - k, 335, 296 - k);
    Line(t, 63, 325 - k, 350, 325 - k);

    if (pen != nullptr) t.Draw(Trunc(pen->Xs), 306 - k, &s.PenSprite);

    t.Draw(48, 296 - k, &s.LeftPulley);
    if (moving == Moving::All) SpokeStep(s.LeftPulley, pen->aPrev, pen->aNew);
    if (moving == Moving::NewSpokesOnly) DrawSpoke(s.LeftPulley, aRest, clGreen);

    t.Draw(335, 296 - k, &s.RightPulley);
    if (moving == Moving::All) SpokeStep(s.RightPulley, pen->aPrev, pen->aNew);
    if (moving == Moving::NewSpokesOnly) DrawSpoke(s.RightPulley, aRest, clGreen);
}

}  // namespace

void DrawSpoke(TBitmap& pulley, double a, TColor colour) {
    TCanvas& c = *pulley.Canvas();
    c.Pen.Width = 2;
    c.Pen.Color = colour;
    c.MoveTo(Trunc(15 + 13 * std::cos(a)), Trunc(15 + 13 * std::sin(a)));
    c.LineTo(15, 15);
}

void SpokeStep(TBitmap& pulley, double aPrev, double aNew) {
    DrawSpoke(pulley, aPrev, clRed);
    DrawSpoke(pulley, aNew, clGreen);
}

void DrawTableView(State& s, TCanvas& fond, const TableMotion& m) {
    ComposeOntoFond(s, fond, m.k, m.v);
    RebuildTable(s, m.k, &m, Moving::All, 0.0);
}

void DrawTableAtRest(State& s, TCanvas& fond, int v) {
    ComposeOntoFond(s, fond, 0, v);
    const TableMotion rest{0, v, 299.0, 299.0, 289.0, 0.1, 0.1};
    // The trace and sprite of the pen at rest; the spokes are only drawn, never erased.
    RebuildTable(s, 0, &rest, Moving::NewSpokesOnly, 0.1);
}

void DrawTableWithoutPen(State& s, TCanvas& fond, int k, int v) {
    ComposeOntoFond(s, fond, k, v);
    RebuildTable(s, k, nullptr, Moving::None, 0.0);
}
