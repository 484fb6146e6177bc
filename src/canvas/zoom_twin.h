// A copy of a canvas's picture kept at a zoom, to show it larger on a projector while the picture
// itself stays as the scenes draw it. Every change of the picture is copied into the twin pixel
// for pixel, each pixel becoming a square of the zoom's size, so that lines stay sharp; text is
// drawn again at the larger size instead. A pixel of that text is replaced only when a later
// drawing changes it in the picture. Kept only while the zoom is not 100 %; it costs a copy of
// each changed area, and nothing at all at 100 %.
#pragma once

#include <QFont>
#include <QImage>
#include <QRect>
#include <optional>
#include <vector>

#include "canvas/colors.h"

class ZoomTwin {
  public:
    ZoomTwin(const QImage& source, double zoom);

    double zoom() const { return zoom_; }
    const QImage& image() const { return image_; }

    // The part of the twin that shows `area` of the picture.
    QRect Map(const QRect& area) const;

    // Copies the pixels of `area` that changed in `source` since they were last copied.
    void Sync(const QImage& source, const QRect& area);

    // Text drawn at the zoom: `font` is the face at the picture's size, `cell` the text's cell in
    // the picture (its ground, painted when `ground` is given), `ink` the pixels it covers there.
    void Text(const QImage& source, const QString& text, const QFont& font, TColor colour,
              const QRect& cell, std::optional<TColor> ground, const QRect& ink);

  private:
    void Rebuild(const QImage& source);

    double zoom_;
    QImage image_;              // the picture at the zoom
    QImage shadow_;             // what the twin shows, at the picture's size
    std::vector<int> xs_, ys_;  // where each column and row of the picture starts in the twin
};
