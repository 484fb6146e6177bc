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
    const QTransform t = p.worldTransform();
    ZoomTwin* twin = t.type() <= QTransform::TxScale ? canvas.Twin() : nullptr;
    if (twin == nullptr || std::abs(t.m11() - twin->zoom()) > 1e-6 ||
        std::abs(t.m22() - twin->zoom()) > 1e-6) {
        p.drawImage(covered.topLeft(), image, covered);
        return;
    }
    const QRect from = twin->Map(covered);
    p.save();
    p.setWorldTransform(QTransform::fromTranslate(std::round(t.dx()), std::round(t.dy())));
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
