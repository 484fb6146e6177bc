// The start button: tidies the window after the previous scene and chooses the next one.
#include "engine/scenes.h"
#include "engine/state.h"

namespace {

void HideRuntimeButton(std::int32_t created, TButton& button) {
    if (created == 1) {
        button.Enabled = false;
        button.Visible = false;
    }
}

void RepaintPulleyDisc(TBitmap& pulley) {
    TCanvas& c = *pulley.Canvas();
    c.Pen.Width = 1;
    c.Pen.Color = clBtnFace;
    c.Brush.Color = clRed;
    c.Ellipse(0, 0, 30, 30);
}

}  // namespace

void Button1Click(State& s) {
    HideRuntimeButton(s.B1Created, s.B1);
    HideRuntimeButton(s.B2Created, s.B2);
    HideRuntimeButton(s.B3Created, s.B3);
    HideRuntimeButton(s.B4Created, s.B4);

    s.RichEdit1.Visible = false;
    s.RichEdit2.Visible = false;

    RepaintPulleyDisc(s.LeftPulley);
    RepaintPulleyDisc(s.RightPulley);

    TCanvas& c = *s.Canvas();
    c.Pen.Width = 1;
    c.Pen.Color = clBtnFace;
    c.Brush.Color = clBtnFace;
    c.Brush.Style = bsSolid;
    c.Rectangle(0, 40, 340, 460);

    for (int i = 0; i < kListItems; ++i)
        if (s.ListBox1.ItemIndex == i) s.Phase = SceneOf(i)->start;
}
