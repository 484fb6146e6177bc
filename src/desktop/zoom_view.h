// The window's drawing and controls, scaled together for a projector. The form lives in a
// graphics scene shown through a scaled view: Qt draws the controls and their text at the larger
// size, and the form paints its two pictures (the scene surface and its own canvas) from copies
// kept at the zoom (see canvas/zoom_twin.h), pixel for pixel, so that lines stay sharp and text
// is drawn at the larger size rather than stretched. Clicks and keys reach the controls at every
// zoom. The form itself keeps its 793 x 553 client area: its pictures are the same at every zoom.
#pragma once

#include <QGraphicsScene>
#include <QGraphicsView>

class Ttable;
class QGraphicsProxyWidget;

class ZoomView : public QGraphicsView {
    Q_OBJECT
  public:
    ZoomView(Ttable* form, QWidget* parent);

    // The zooms offered, from the smallest to the largest.
    static constexpr double kMinZoom = 0.5;
    static constexpr double kMaxZoom = 4.0;

    double Zoom() const { return zoom_; }
    void SetZoom(double zoom);
    void ZoomIn();
    void ZoomOut();
    // The largest zoom at which the whole drawing fits in `area` (the view's own by default).
    double FitZoom(QSize area = QSize()) const;

  signals:
    void ZoomChanged(double zoom);

  private:
    Ttable* form_;
    QGraphicsScene scene_;
    QGraphicsProxyWidget* proxy_ = nullptr;
    double zoom_ = 1.0;
};
