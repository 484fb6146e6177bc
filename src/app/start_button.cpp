// The start button: tidies the window after the previous scene and chooses the next one.
#include "app/table.h"
#include "engine/globals.h"

namespace {

void HideRuntimeButton(std::int32_t created, TButton* button) {
    if (created == 1 && button != nullptr) {
        button->setEnabled(false);
        button->setVisible(false);
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

void Ttable::Button1Click(QObject* /*Sender*/) {
    if (BackgroundBitmap == nullptr) return;  // the window is being destroyed

    HideRuntimeButton(B1Created, B1);
    HideRuntimeButton(B2Created, B2);
    HideRuntimeButton(B3Created, B3);
    HideRuntimeButton(B4Created, B4);

    RichEdit1->setVisible(false);
    RichEdit2->setVisible(false);

    RepaintPulleyDisc(*LeftPulley);
    RepaintPulleyDisc(*RightPulley);

    TCanvas& c = *Canvas();
    c.Pen.Width = 1;
    c.Pen.Color = clBtnFace;
    c.Brush.Color = clBtnFace;
    c.Brush.Style = bsSolid;
    c.Rectangle(0, 40, 340, 460);

    static constexpr std::int32_t kStartValues[7] = {-1, 1, 201, 401, 601, 801, 1001};
    for (int i = 0; i <= 6; ++i) {
        const QListWidgetItem* item = ListBox1->item(i);
        if (item != nullptr && item->isSelected()) Phase = kStartValues[i];
    }

    ShowDrawing();
}

void StartLaboratory(Ttable& form) {
    // The start button's tidying, with no lesson of the menu chosen and the laboratory's first
    // phase already set.
    Lab.Launch(Lab.inputs());
    form.ListBox1->clearSelection();
    Phase = 1201;
    form.Button1->click();
}
