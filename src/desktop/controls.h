// The widgets that show the core's pictures: the scene surface FOND and the window's own canvas
// are painted from the pictures their canvases draw into, through a zoomed copy when the view is
// scaled (see zoom_twin.h).
#pragma once

#include <QRect>
#include <QWidget>
#include <memory>

#include "canvas/canvas.h"
#include "desktop/zoom_twin.h"

class QPainter;

// Paints `area` (widget coordinates) of a canvas's picture, the rest of `area` in `rest`. When the
// painter scales by the zoom of `twin` (a zoomed view), the zoomed copy is painted pixel for pixel.
void PaintPicture(QPainter& p, const QRect& area, const Picture& picture, ZoomTwin* twin,
                  TColor rest);

// A picture control: shows the top-left part of its bitmap, as large as the control.
class PictureWidget : public QWidget {
    Q_OBJECT
  public:
    explicit PictureWidget(QWidget* parent);

    // The canvas shown (its picture is read at each repaint).
    void Show(TCanvas* canvas);
    void SetZoom(double zoom);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    TCanvas* canvas_ = nullptr;
    std::unique_ptr<ZoomTwin> twin_;
};
