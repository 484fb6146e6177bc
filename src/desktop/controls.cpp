#include "desktop/controls.h"

#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <cmath>

#include "desktop/qt_glue.h"

void PaintPicture(QPainter& p, const QRect& area, const Picture& picture, ZoomTwin* twin,
                  TColor rest) {
    const QImage image = ImageView(picture);
    const QRect covered = image.isNull() ? QRect() : image.rect() & area;
    // Whatever the picture does not cover shows the colour of what is behind it.
    for (const QRect& r : QRegion(area).subtracted(QRegion(covered)))
        p.fillRect(r, ToQColor(rest));
    if (covered.isEmpty()) return;
    // The zoom is in the painter's transform to the device, wherever it was put (the view's
    // world transform, or a redirection when the widget is drawn into a picture).
    const QTransform d = p.deviceTransform();
    if (twin == nullptr || d.type() > QTransform::TxScale ||
        std::abs(d.m11() - twin->zoom()) > 1e-6 || std::abs(d.m22() - twin->zoom()) > 1e-6) {
        p.drawImage(covered.topLeft(), image, covered);
        return;
    }
    // Drawn one pixel of the twin to one pixel of the device, from the widget's rounded place.
    const QTransform below = p.worldTransform().inverted() * d;
    const QTransform place =
        QTransform::fromTranslate(std::round(d.dx()), std::round(d.dy())) * below.inverted();
    const QImage& zoomed = twin->image();
    const QRect from = twin->Map(covered);
    p.save();
    p.setWorldTransform(place);
    p.drawImage(from.topLeft(), zoomed, from);
    p.restore();
}

PictureWidget::PictureWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureWidget::Show(TCanvas* canvas) {
    if (canvas == canvas_) return;
    const double zoom = twin_ ? twin_->zoom() : 1.0;
    twin_.reset();
    canvas_ = canvas;
    SetZoom(zoom);
    update();
}

void PictureWidget::SetZoom(double zoom) {
    if (std::abs(zoom - 1.0) < 1e-9 || canvas_ == nullptr) {
        twin_.reset();
    } else if (!twin_ || twin_->zoom() != zoom) {
        twin_.reset();
        twin_ = std::make_unique<ZoomTwin>(*canvas_, zoom);
    }
}

void PictureWidget::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    PaintPicture(p, event->rect(), canvas_ != nullptr ? *canvas_->Image() : Picture(), twin_.get(),
                 clBtnFace);
}
