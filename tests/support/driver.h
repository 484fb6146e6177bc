// The real window, built headless and driven as the timer and a user drive it, and the questions
// the tests ask of its pictures, in the scenes' own coordinates.
#pragma once

#include <QImage>
#include <QString>
#include <memory>
#include <string>

#include "canvas/colors.h"
#include "canvas/picture.h"
#include "desktop/table.h"

class Driver {
  public:
    Driver();  // a fresh window and a fresh program state, no live timer, errors on stderr
    ~Driver();

    Ttable& form() { return *form_; }
    State& state() { return form_->state(); }

    void Tick(int n = 1);
    void Select(int item);                 // choose a scene in the menu and press the start button
    void Comments();                       // press the comment button that is showing
    void Set(const std::string& setting);  // a setting of the laboratory, NAME=VALUE

    QImage Client();            // 793 x 553, controls included
    QImage Drawing();           // the core's drawing of the window, controls left out
    QImage Canvas();            // the window's own canvas
    QImage Fond();              // FOND's picture
    QImage Table();             // TableBitmap
    QImage Pulley(bool right);  // LeftPulley or RightPulley

  private:
    std::unique_ptr<Ttable> form_;
};

// A copy of a picture as an image; an image that writes into a picture's own pixels.
QImage Q(const Picture& picture);
QImage Writable(Picture& picture);
inline QRect Q(const Rect& r) {
    return QRect(r.x(), r.y(), r.width(), r.height());
}

inline TColor At(const QImage& image, int x, int y) {
    return image.valid(x, y) ? TColor(image.pixel(x, y) & 0x00FFFFFFu) : 0xFFFFFFFFu;
}

// The number of pixels whose colours differ, inside `area` if given (-1 for pictures of
// different sizes).
int Differences(const QImage& a, const QImage& b, const QRect& area = QRect());

// The rectangle bounding the pixels of the colour inside `area`.
QRect Bounds(const QImage& image, const QRect& area, TColor colour);

// A 64-bit checksum of a picture's colours (its alpha left out).
quint64 Checksum(const QImage& image);

// A colour by its name in the scenes ("red", "btnface", "highlight"...), or by RRGGBB.
bool ColourNamed(const std::string& name, TColor& colour);
std::string ColourName(TColor colour);

// The number of pixels of a text, drawn at (x, y) in the face, size and colour, that the picture
// does not show (-1 for a text that has no pixels).
int MissingInk(const QImage& image, int x, int y, TColor colour, const QString& face, int size,
               const QString& text);

// The directory of the tests' data files.
std::string DataPath(const std::string& name);
