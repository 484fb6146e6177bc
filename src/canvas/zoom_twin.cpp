#include "canvas/zoom_twin.h"

#include <QFontMetrics>
#include <QPainter>
#include <cmath>

ZoomTwin::ZoomTwin(const QImage& source, double zoom) : zoom_(zoom) {
    Rebuild(source);
}

void ZoomTwin::Rebuild(const QImage& source) {
    shadow_ = source.convertToFormat(QImage::Format_RGB32);
    xs_.resize(source.width() + 1);
    ys_.resize(source.height() + 1);
    for (std::size_t i = 0; i < xs_.size(); ++i)
        xs_[i] = static_cast<int>(std::lround(i * zoom_));
    for (std::size_t i = 0; i < ys_.size(); ++i)
        ys_[i] = static_cast<int>(std::lround(i * zoom_));
    image_ = QImage(xs_.back(), ys_.back(), QImage::Format_RGB32);
    if (image_.isNull()) return;
    for (int y = 0; y < source.height(); ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(shadow_.constScanLine(y));
        for (int row = ys_[y]; row < ys_[y + 1]; ++row) {
            auto* to = reinterpret_cast<QRgb*>(image_.scanLine(row));
            for (int x = 0; x < source.width(); ++x)
                std::fill(to + xs_[x], to + xs_[x + 1], from[x]);
        }
    }
}

QRect ZoomTwin::Map(const QRect& area) const {
    const QRect r = area & shadow_.rect();
    if (r.isEmpty()) return QRect();
    return QRect(QPoint(xs_[r.left()], ys_[r.top()]),
                 QPoint(xs_[r.right() + 1] - 1, ys_[r.bottom() + 1] - 1));
}

void ZoomTwin::Sync(const QImage& source, const QRect& area) {
    if (source.size() != shadow_.size() || source.format() != QImage::Format_RGB32) {
        Rebuild(source);
        return;
    }
    const QRect r = area & source.rect();
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const auto* now = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        auto* shown = reinterpret_cast<QRgb*>(shadow_.scanLine(y));
        for (int x = r.left(); x <= r.right(); ++x) {
            if (now[x] == shown[x]) continue;
            shown[x] = now[x];
            for (int row = ys_[y]; row < ys_[y + 1]; ++row) {
                auto* to = reinterpret_cast<QRgb*>(image_.scanLine(row));
                std::fill(to + xs_[x], to + xs_[x + 1], now[x]);
            }
        }
    }
}

void ZoomTwin::Text(const QImage& source, const QString& text, const QFont& font, TColor colour,
                    const QRect& cell, std::optional<TColor> ground, const QRect& ink) {
    if (source.size() != shadow_.size()) return Rebuild(source);
    QPainter p(&image_);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    const QRect at = Map(cell);
    if (ground) p.fillRect(at, ToQColor(*ground));
    QFont large = font;
    large.setPixelSize(std::max(1, static_cast<int>(std::lround(font.pixelSize() * zoom_))));
    p.setFont(large);
    p.setPen(ToQColor(colour));
    const int left = static_cast<int>(std::lround(cell.x() * zoom_));
    const int top = static_cast<int>(std::lround(cell.y() * zoom_));
    p.drawText(QPoint(left, top + QFontMetrics(large).ascent()), text);
    // The picture's pixels of the text are now shown as text.
    const QRect drawn = (cell | ink) & source.rect();
    for (int y = drawn.top(); y <= drawn.bottom(); ++y)
        std::copy_n(reinterpret_cast<const QRgb*>(source.constScanLine(y)) + drawn.left(),
                    drawn.width(), reinterpret_cast<QRgb*>(shadow_.scanLine(y)) + drawn.left());
}
