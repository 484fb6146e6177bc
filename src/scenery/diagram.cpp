#include "scenery/diagram.h"

#include "scenery/strokes.h"

void DrawBlockDiagram(TCanvas& c, DiagramVariant variant) {
    const bool openLoop = variant == DiagramVariant::OpenLoop;

    // Background, over the whole visible part of the picture.
    c.Pen.Width = 1;
    c.Pen.Color = clBtnFace;
    c.Brush.Color = clBtnFace;
    c.Brush.Style = bsSolid;
    c.Rectangle(0, 0, 449, 537);

    // The table top and its left edge in perspective.
    c.Pen.Width = 2;
    c.Pen.Color = clGreen;
    c.Rectangle(30, 1, 432, 529);
    Line(c, 1, 20, 1, 536);
    Line(c, 1, 20, 30, 1);
    Line(c, 30, 528, 1, 528);

    // Summing junction.
    c.Pen.Width = 1;
    c.Pen.Color = clRed;
    c.Brush.Color = clWhite;
    c.Ellipse(68, 15, 118, 65);
    Line(c, 75, 22, 111, 58);
    Line(c, 111, 22, 75, 58);

    // Connections.
    Line(c, 118, 40, 380, 40);
    Line(c, 380, 40, 380, 70);
    ArrowDown(c, 380, 70);
    Line(c, 380, 125, 380, 140);
    ArrowDown(c, 380, 140);
    Line(c, 380, 180, 380, 220);
    ArrowDown(c, 380, 220);
    Line(c, 93, 220, 93, 180);
    ArrowUp(c, 93, 180);
    if (openLoop) {
        Line(c, 93, 125, 93, 100);
        ArrowUp(c, 93, 100);
    } else {
        Line(c, 93, 125, 93, 65);
        ArrowUp(c, 93, 65);
    }
    Line(c, 15, 40, 68, 40);
    ArrowRight(c, 68, 40);
    if (openLoop) {
        // The junction's feedback input tied to earth.
        Line(c, 93, 65, 93, 75);
        Line(c, 73, 75, 113, 75);
        Line(c, 83, 75, 78, 85);
        Line(c, 93, 75, 88, 85);
        Line(c, 103, 75, 98, 85);
    }

    // Boxes.
    c.Rectangle(340, 70, 420, 125);   // control amplifier
    c.Rectangle(340, 140, 420, 180);  // power amplifier
    c.Rectangle(63, 125, 123, 180);   // angle sensor
    c.Brush.Color = clYellow;
    c.Rectangle(350, 220, 410, 275);  // motor
    c.Rectangle(376, 275, 384, 300);  // motor shaft
    c.Rectangle(89, 275, 97, 300);    // gearbox-side shaft
    c.Rectangle(63, 220, 123, 275);   // gearbox
    c.Brush.Color = clRed;
    c.Ellipse(10, 30, 20, 50);  // input terminal

    SetBkMode(c.Handle(), TRANSPARENT);

    c.Font.Size = 15;
    c.Font.Color = clRed;
    c.TextOut(73, 28, "+");
    c.TextOut(90, 40, "-");
    c.Font.Size = 6;
    c.Font.Color = clBlue;
    c.TextOut(350, 75, "Amplificateur");
    c.TextOut(355, 90, "de réglage");
    c.TextOut(360, 105, "Gain G");
    c.TextOut(350, 145, "Amplificateur");
    c.TextOut(350, 160, "de puissance");
    c.TextOut(358, 225, "Moteur à");
    c.TextOut(363, 240, "courant");
    c.TextOut(363, 255, "continu");
    c.TextOut(68, 240, "Réducteur");
    c.TextOut(67, 130, "Capteur de");
    c.TextOut(72, 145, "position");
    c.TextOut(72, 160, "angulaire");
    c.Font.Size = 15;
    c.Font.Color = clGreen;
    c.TextOut(40, 10, "Ve");
    c.Font.Color = clBlue;
    c.TextOut(370, 10, openLoop ? "V=Ve" : "V");
    c.Font.Color = clMaroon;
    c.TextOut(390, 190, "U");
    c.Font.Color = clGreen;
    c.TextOut(360, 190, "I");
    c.Font.Color = clRed;
    if (openLoop) {
        c.TextOut(55, 95, "Vs");
    } else {
        c.TextOut(65, 75, "Vs");
    }
    c.Font.Name = "Symbol";
    c.Font.Size = 12;
    c.Font.Color = clHighlight;
    c.TextOut(350, 278, "W");
    c.TextOut(110, 278, "W");
    c.Font.Color = clBlack;
    c.TextOut(110, 185, "q");
}
