// What the canvas is compared with: Qt's own raster painter set as the canvas draws (aliased
// shapes and text, brush origin at the picture's corner), on a ground that no drawing uses; and
// the set-up the canvas tests share. Header only.
#pragma once

#include <QImage>
#include <QPainter>

#include "canvas/canvas.h"

inline constexpr TColor kGround = RGB(215, 215, 215);

inline QImage GroundImage(QSize size, TColor colour = kGround) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(ToQColor(colour));
    return image;
}

inline TCanvas& Ground(TBitmap& b, int w, int h, TColor colour = kGround) {
    b.SetSize(w, h);
    b.Image().fill(ToQColor(colour));
    return *b.Canvas();
}

// Sets the canvas's font, and its text background transparent unless `opaque`.
inline void UseFont(TCanvas& c, const char* face, int points, TColor colour = clBlack,
                    bool opaque = false) {
    if (!opaque) SetBkMode(c.Handle(), TRANSPARENT);
    c.Font.Name = face;
    c.Font.Size = points;
    c.Font.Color = colour;
}

// `paint` run by Qt's painter on the picture.
template <typename Paint>
QImage PainterPicture(QImage picture, Paint paint) {
    {
        QPainter p(&picture);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setRenderHint(QPainter::TextAntialiasing, false);
        p.setBrushOrigin(0, 0);
        paint(p);
    }
    return picture;
}
