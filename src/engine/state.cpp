// The window as it is created: its controls, its canvas and the off-screen bitmaps.
#include "engine/state.h"

#include "engine/scenes.h"

namespace {

TLabel Label(int left, int top, const char* caption, TColor colour, int pixels, bool bold) {
    TLabel l;
    l.Bounds = Rect(left, top, 0, 0);  // labels size themselves to their caption
    l.Caption = caption;
    l.FontColor = colour;
    l.FontPixels = pixels;
    l.FontBold = bold;
    return l;
}

TRichEdit RichEdit(int left, int top, int width, int height, const char* text, bool readOnly) {
    TRichEdit r;
    r.Bounds = Rect(left, top, width, height);
    r.Text = text;
    r.ReadOnly = readOnly;
    return r;
}

// A bitmap of the given size filled with the button face, as the sprites start.
void Ground(TBitmap& b, int w, int h) {
    b.SetWidth(w);
    b.SetHeight(h);
    TCanvas& c = *b.Canvas();
    c.Pen.Width = 1;
    c.Pen.Color = clBtnFace;
    c.Brush.Color = clBtnFace;
    c.Rectangle(0, 0, w, h);
}

}  // namespace

State::State() {
    // Controls.
    FOND.Bounds = Rect(344, 16, 449, 529);
    Label1 = Label(400, 0, "Asservissement de Position d'une Table Traçante", clMaroon, 13, true);
    Label2 = Label(16, 8, "Ardanel", clMaroon, 11, false);
    ListBox1.Bounds = Rect(96, 464, 225, 49);
    ListBox1.FontColor = clGreen;
    for (int item = 0; item < kListItems; ++item)
        ListBox1.Items.push_back(SceneOf(item)->listText);
    Label3 = Label(24, 472, "MENU :", clGreen, 13, true);
    Button1.Bounds = Rect(200, 528, 115, 25);
    Button1.Caption = "Démarrer l'Animation";
    Button1.FontColor = clRed;
    Label4 = Label(8, 488, "(sélectionner)", clGreen, 11, true);
    Label5 = Label(112, 8, "Version 2.2", clMaroon, 11, false);
    RichEdit1 = RichEdit(136, 40, 185, 73, "RichEdit1", true);
    RichEdit2 = RichEdit(336, 376, 449, 177, "RichEdit2", false);
    ScrollBar1.Bounds = Rect(16, 536, 121, 16);
    ScrollBar1.Min = 20;
    ScrollBar1.Max = 200;
    ScrollBar1.Position = 60;
    ScrollBar1.LargeChange = 10;
    ScrollBar1.SmallChange = 1;
    Label6 = Label(16, 520, "+  Réglage vitesse  -", clMaroon, 11, true);
    for (TButton* b : {&B1, &B2, &B3, &B4})
        b->Visible = b->Enabled = false;  // until a lesson creates it
    Timer1.Interval = 20;
    Timer1.Enabled = true;

    WindowCanvas.SetSize(kWidth, kHeight);
    WindowCanvas.WritableImage().fill(Opaque(clBtnFace));

    // The pen carriage: a blue square on a red point, on the table bed's colour.
    Ground(PenSprite, 20, 40);
    {
        TCanvas& c = *PenSprite.Canvas();
        c.Brush.Color = clRed;
        c.Polygon({{1, 21}, {20, 21}, {10, 41}});
        c.Brush.Color = clBlue;
        c.Rectangle(1, 1, 20, 20);
    }

    TableBitmap.SetWidth(397);
    TableBitmap.SetHeight(500);

    TableMask.SetWidth(400);
    TableMask.SetHeight(500);

    // The background picture: 449 x 581, uniform grey.
    BackgroundBitmap.SetSize(449, 581);
    BackgroundBitmap.WritableImage().fill(Opaque(RGB(215, 215, 215)));

    // The pulleys: a red disc, and the belt leaving it at the top and the bottom.
    for (TBitmap* pulley : {&LeftPulley, &RightPulley}) {
        Ground(*pulley, 30, 30);
        TCanvas& c = *pulley->Canvas();
        c.Brush.Color = clRed;
        c.Ellipse(0, 0, 30, 30);
        c.Pen.Width = 2;
        c.Pen.Color = clBlue;
        const int away = pulley == &LeftPulley ? 30 : 0;  // the belt goes towards the other one
        c.MoveTo(15, 0);
        c.LineTo(away, 0);
        c.MoveTo(15, 30);
        c.LineTo(away, 30);
    }
    // What was drawn while the window was made is shown with it.
    TakeDirtyRect(*this);
}

void OwnPictures(State& s) {
    for (TBitmap* b : {&s.WindowCanvas, &s.FOND.Picture.Bitmap, &s.PenSprite, &s.TableBitmap,
                       &s.TableMask, &s.BackgroundBitmap, &s.LeftPulley, &s.RightPulley})
        b->Detach();
}
