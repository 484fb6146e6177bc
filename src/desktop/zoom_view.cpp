#include "desktop/zoom_view.h"

#include <QGraphicsProxyWidget>
#include <algorithm>
#include <array>
#include <cmath>

#include "desktop/qt_glue.h"
#include "desktop/table.h"

namespace {

// The steps of « Zoom avant » and « Zoom arrière ».
constexpr std::array<double, 10> kSteps = {0.5, 0.75, 1.0, 1.25, 1.5, 1.75, 2.0, 2.5, 3.0, 4.0};

}  // namespace

ZoomView::ZoomView(Ttable* form, QWidget* parent) : QGraphicsView(parent), form_(form) {
    setFrameShape(QFrame::NoFrame);
    setAlignment(Qt::AlignCenter);
    setBackgroundBrush(ToQColor(clBtnFace));
    setScene(&scene_);
    form_->setFixedSize(Ttable::kLayoutWidth, Ttable::kLayoutHeight);
    proxy_ = scene_.addWidget(form_);
    proxy_->setPos(0, 0);  // not where the form was designed to open on the desktop
    scene_.setSceneRect(0, 0, Ttable::kLayoutWidth, Ttable::kLayoutHeight);
    setFocusPolicy(Qt::StrongFocus);
}

void ZoomView::SetZoom(double zoom) {
    zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
    if (std::abs(zoom - zoom_) < 1e-9) return;
    zoom_ = zoom;
    setTransform(QTransform::fromScale(zoom, zoom));
    centerOn(scene_.sceneRect().center());
    form_->SetZoom(zoom);
    emit ZoomChanged(zoom);
}

void ZoomView::ZoomIn() {
    const auto next = std::upper_bound(kSteps.begin(), kSteps.end(), zoom_ + 1e-9);
    if (next != kSteps.end()) SetZoom(*next);
}

void ZoomView::ZoomOut() {
    const auto next = std::lower_bound(kSteps.begin(), kSteps.end(), zoom_ - 1e-9);
    if (next != kSteps.begin()) SetZoom(*std::prev(next));
}

double ZoomView::FitZoom(QSize area) const {
    if (!area.isValid()) area = maximumViewportSize();
    const double fit = std::min(double(area.width()) / Ttable::kLayoutWidth,
                                double(area.height()) / Ttable::kLayoutHeight);
    // Whole hundredths: the largest that fits.
    return std::clamp(std::floor(fit * 100.0 + 1e-9) / 100.0, kMinZoom, kMaxZoom);
}
