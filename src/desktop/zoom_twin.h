// A copy of a canvas's picture kept at a zoom, to show it larger on a projector while the picture
// itself stays as the scenes draw it. Every change of the picture is copied into the twin pixel
// for pixel, each pixel becoming a square of the zoom's size, so that lines stay sharp; text is
// drawn again at the larger size instead. A pixel of that text is replaced only when a later
// drawing changes it in the picture. Kept only while the zoom is not 100 %: it hears of every
// drawing of its canvas, and costs a copy of each changed area.
#pragma once

#include <QImage>
#include <QRect>
#include <vector>

#include "canvas/canvas.h"

class ZoomTwin : public CanvasListener {
  public:
    ZoomTwin(TCanvas& canvas, double zoom);  // listens to the canvas until destroyed
    ~ZoomTwin() override;
    ZoomTwin(const ZoomTwin&) = delete;
    ZoomTwin& operator=(const ZoomTwin&) = delete;

    double zoom() const { return zoom_; }
    // The picture at the zoom, up to date.
    const QImage& image();

    // The part of the twin that shows `area` of the picture.
    QRect Map(const QRect& area) const;

    void Drawn(const Picture& picture, const Rect& area) override;
    void Replaced() override { stale_ = true; }
    void BeforeText(const Picture& picture) override;
    void TextDrawn(const Picture& picture, const Text& text) override;

  private:
    void Rebuild(const Picture& source);
    // Copies the pixels of `area` that changed in `source` since they were last copied.
    void Sync(const Picture& source, const Rect& area);
    void Refresh(const Picture& source);  // when stale

    TCanvas& canvas_;
    double zoom_;
    bool stale_ = false;
    QImage image_;              // the picture at the zoom
    Picture shadow_;            // what the twin shows, at the picture's size
    std::vector<int> xs_, ys_;  // where each column and row of the picture starts in the twin
};
