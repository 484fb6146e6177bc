#include "desktop/zoom_twin.h"

#include <QFontMetrics>
#include <QPainter>
#include <cmath>

#include "desktop/qt_glue.h"

ZoomTwin::ZoomTwin(TCanvas& canvas, double zoom) : canvas_(canvas), zoom_(zoom) {
    Rebuild(*canvas.Image());
    canvas_.SetListener(this);
}

ZoomTwin::~ZoomTwin() {
    if (canvas_.Listener() == this) canvas_.SetListener(nullptr);
}

const QImage& ZoomTwin::image() {
    Refresh(*canvas_.Image());
    return image_;
}

void ZoomTwin::Refresh(const Picture& source) {
    if (!stale_) return;
    stale_ = false;
    Sync(source, source.rect());
}

void ZoomTwin::Rebuild(const Picture& source) {
    shadow_ = source;
    xs_.resize(source.width() + 1);
    ys_.resize(source.height() + 1);
    for (std::size_t i = 0; i < xs_.size(); ++i)
        xs_[i] = static_cast<int>(std::lround(i * zoom_));
    for (std::size_t i = 0; i < ys_.size(); ++i)
        ys_[i] = static_cast<int>(std::lround(i * zoom_));
    image_ = QImage(xs_.back(), ys_.back(), QImage::Format_RGB32);
    if (image_.isNull()) return;
    for (int y = 0; y < source.height(); ++y) {
        const Pixel* from = shadow_.constScanLine(y);
        for (int row = ys_[y]; row < ys_[y + 1]; ++row) {
            auto* to = reinterpret_cast<QRgb*>(image_.scanLine(row));
            for (int x = 0; x < source.width(); ++x)
                std::fill(to + xs_[x], to + xs_[x + 1], from[x]);
        }
    }
}

QRect ZoomTwin::Map(const QRect& area) const {
    const QRect r = area & QRect(0, 0, shadow_.width(), shadow_.height());
    if (r.isEmpty()) return QRect();
    return QRect(QPoint(xs_[r.left()], ys_[r.top()]),
                 QPoint(xs_[r.right() + 1] - 1, ys_[r.bottom() + 1] - 1));
}

void ZoomTwin::Drawn(const Picture& picture, const Rect& area) {
    Refresh(picture);
    Sync(picture, area);
}

void ZoomTwin::Sync(const Picture& source, const Rect& area) {
    if (source.width() != shadow_.width() || source.height() != shadow_.height()) {
        Rebuild(source);
        return;
    }
    const Rect r = area & source.rect();
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const Pixel* now = source.constScanLine(y);
        const Pixel* shown = shadow_.constScanLine(y);
        for (int x = r.left(); x <= r.right(); ++x) {
            if (now[x] == shown[x]) continue;
            shadow_.setPixel(x, y, now[x]);
            shown = shadow_.constScanLine(y);
            for (int row = ys_[y]; row < ys_[y + 1]; ++row) {
                auto* to = reinterpret_cast<QRgb*>(image_.scanLine(row));
                std::fill(to + xs_[x], to + xs_[x + 1], now[x]);
            }
        }
    }
}

void ZoomTwin::BeforeText(const Picture& picture) {
    // Up to date under the text before the text is drawn over it.
    Refresh(picture);
}

void ZoomTwin::TextDrawn(const Picture& source, const Text& t) {
    if (source.width() != shadow_.width() || source.height() != shadow_.height())
        return Rebuild(source);
    QPainter p(&image_);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    const QRect cell(t.cell.x(), t.cell.y(), t.cell.width(), t.cell.height());
    const QRect at = Map(cell);
    if (t.ground) p.fillRect(at, ToQColor(*t.ground));
    const int pixels = PointsToPixels(t.font.Size);
    const QFont large =
        MakeFont(FromUtf8(t.font.Name), std::max(1, static_cast<int>(std::lround(pixels * zoom_))),
                 t.font.Bold);
    p.setFont(large);
    p.setPen(ToQColor(t.font.Color));
    const int left = static_cast<int>(std::lround(cell.x() * zoom_));
    const int top = static_cast<int>(std::lround(cell.y() * zoom_));
    p.drawText(QPoint(left, top + QFontMetrics(large).ascent()),
               QString::fromUtf8(t.text.data(), qsizetype(t.text.size())));
    // The picture's pixels of the text are now shown as text.
    const Rect drawn = (t.cell | t.ink) & source.rect();
    for (int y = drawn.top(); y <= drawn.bottom(); ++y)
        std::copy_n(source.constScanLine(y) + drawn.left(), drawn.width(),
                    shadow_.scanLine(y) + drawn.left());
}
