#include "canvas/controls.h"

#include <QPaintEvent>
#include <QPainter>
#include <utility>

TImage::TImage(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TImage::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QImage& image = std::as_const(Picture.Bitmap).Image();
    const QRect area = event->rect();
    const QRect covered = image.isNull() ? QRect() : QRect(QPoint(0, 0), image.size()) & area;
    if (!covered.isEmpty()) p.drawImage(covered.topLeft(), image, covered);
    if (covered == area) return;
    // Whatever the picture does not cover shows the parent's face.
    const QRegion rest = QRegion(area).subtracted(QRegion(covered));
    for (const QRect& r : rest)
        p.fillRect(r, ToQColor(clBtnFace));
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
