#include "canvas/controls.h"

#include <QPaintEvent>
#include <QPainter>
#include <cmath>
#include <utility>

#include "canvas/zoom_twin.h"

TImage::TImage(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PaintPicture(QPainter& p, const QRect& area, TCanvas& canvas, TColor rest) {
    const QImage& image = *canvas.Image();
    const QRect covered = image.isNull() ? QRect() : image.rect() & area;
    // Whatever the picture does not cover shows the colour of what is behind it.
    for (const QRect& r : QRegion(area).subtracted(QRegion(covered)))
        p.fillRect(r, ToQColor(rest));
    if (covered.isEmpty()) return;
    // The zoom is in the painter's transform to the device, wherever it was put (the view's
    // world transform, or a redirection when the widget is drawn into a picture).
    const QTransform d = p.deviceTransform();
    ZoomTwin* twin = d.type() <= QTransform::TxScale ? canvas.Twin() : nullptr;
    if (twin == nullptr || std::abs(d.m11() - twin->zoom()) > 1e-6 ||
        std::abs(d.m22() - twin->zoom()) > 1e-6) {
        p.drawImage(covered.topLeft(), image, covered);
        return;
    }
    // Drawn one pixel of the twin to one pixel of the device, from the widget's rounded place.
    const QTransform below = p.worldTransform().inverted() * d;
    const QTransform place =
        QTransform::fromTranslate(std::round(d.dx()), std::round(d.dy())) * below.inverted();
    const QRect from = twin->Map(covered);
    p.save();
    p.setWorldTransform(place);
    p.drawImage(from.topLeft(), twin->image(), from);
    p.restore();
}

void TImage::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    PaintPicture(p, event->rect(), *Canvas(), clBtnFace);
}

TTimer::TTimer(QObject* parent) : QObject(parent) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(interval_);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { Fire(); });
}

void TTimer::SetInterval(int ms) {
    if (ms == interval_) return;
    interval_ = ms;
    timer_.setInterval(ms);  // restarts the period when running
}

void TTimer::SetEnabled(bool on) {
    enabled_ = on;
    if (on && interval_ > 0) {
        timer_.start(interval_);
    } else {
        timer_.stop();
    }
}

void TTimer::Fire() {
    if (OnTimer) OnTimer(this);
}
