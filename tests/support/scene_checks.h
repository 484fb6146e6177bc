// Checks shared by the lesson tests: texts, pulley spokes, the pen sprite, chart curves and the
// run-time comment buttons. Header only.
#pragma once

#include <QImage>
#include <QPoint>
#include <QPushButton>
#include <QRect>
#include <QString>
#include <algorithm>
#include <vector>

#include "app/table.h"
#include "canvas/canvas.h"
#include "engine/globals.h"
#include "scenery/strokes.h"
#include "support/pixels.h"

namespace scene_checks {

// A text of a scene: its cell's top-left corner, colour, characters and font.
struct Text {
    int x, y;
    TColor colour;
    const char* text;
    const char* face = "Arial";
    int size = 8;
};

// The pixels that a text covers when drawn with its cell's top-left corner at (0, 0).
inline std::vector<QPoint> Ink(const char* face, int size, const QString& text) {
    TBitmap b;
    b.SetSize(500, 40);
    TCanvas& c = *b.Canvas();
    SetBkMode(c.Handle(), TRANSPARENT);
    SetFont(c, face, size, clBlack);
    c.TextOut(0, 0, text);
    std::vector<QPoint> ink;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            if (At(b.Image(), x, y) == clBlack) ink.emplace_back(x, y);
    return ink;
}

// How many of the text's pixels, placed at (x, y), are not in the colour: 0 when the text is
// there, all of them when it is not.
inline int Missing(const QImage& image, int x, int y, TColor colour,
                   const std::vector<QPoint>& ink) {
    return static_cast<int>(std::count_if(ink.begin(), ink.end(), [&](const QPoint& p) {
        return At(image, x + p.x(), y + p.y()) != colour;
    }));
}

inline int Missing(const QImage& image, const Text& t, int dx = 0, int dy = 0) {
    return Missing(image, t.x + dx, t.y + dy, t.colour, Ink(t.face, t.size, t.text));
}

// The box of the green spoke of a pulley bitmap whose end is (ex, ey): from the centre (15, 15)
// to that end, widened by the 2-pixel pen towards the top left.
inline QRect SpokeBox(int ex, int ey) {
    return QRect(QPoint(std::min(15, ex) - 1, std::min(15, ey) - 1),
                 QPoint(std::max(15, ex), std::max(15, ey)));
}

inline QRect GreenOf(const TBitmap& pulley) {
    return Bounds(pulley.Image(), QRect(0, 0, 30, 30), clGreen);
}

// True when the 20 x 40 region at (x, y) is exactly the pen sprite.
inline bool SpriteAt(const QImage& picture, int x, int y) {
    return picture.copy(x, y, 20, 40) == PenSprite->Image().convertToFormat(picture.format());
}

// Left edge of the pen sprite in TableBitmap when its top is on `row`, or -1 if it is not there.
inline int SpriteLeft(int row) {
    for (int x = 0; x + PenSprite->Width() <= TableBitmap->Width(); ++x)
        if (SpriteAt(TableBitmap->Image(), x, row)) return x;
    return -1;
}

// True when the curve of the colour is one connected line from column x0 to column x1: every
// column has a pixel of it touching one in the column before.
inline bool Continuous(const QImage& image, TColor colour, int x0, int x1) {
    auto on = [&](int x, int y) { return At(image, x, y) == colour; };
    for (int x = x0 + 1; x <= x1; ++x) {
        bool joined = false;
        for (int y = 45; y < 460 && !joined; ++y)
            joined = on(x, y) && (on(x - 1, y - 1) || on(x - 1, y) || on(x - 1, y + 1));
        if (!joined) return false;
    }
    return true;
}

// How many buttons with this caption the window holds, shown or not.
inline int ButtonsCaptioned(Ttable& form, const QString& caption) {
    int n = 0;
    for (QPushButton* b : form.findChildren<QPushButton*>())
        if (b->text() == caption) ++n;
    return n;
}

}  // namespace scene_checks
