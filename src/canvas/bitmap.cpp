// Bitmaps, and the copy-on-write of a picture shared by Assign: every frame starts from a copy
// of the background picture, which costs nothing until the first drawing call, and that call
// copies only what it does not paint over itself.
#include <QPainter>
#include <cstring>

#include "canvas/canvas.h"
#include "canvas/pixel_kernels.h"

void TCanvas::DetachFor(const QRect& covered) {
    if (image_->isDetached()) return;
    EndPaint();
    const QRect keep = covered & image_->rect();
    if (keep.isEmpty() || !IsRgb32(*image_)) {
        image_->detach();
        return;
    }
    // Still shared (with the picture it was copied from by Assign, or with a copy someone took):
    // copy only what the coming call leaves as it is. The coming call must then paint all of
    // `covered`: what the canvas remembers of areas of one colour does not hold for the new
    // buffer, whose `covered` part is blank.
    ForgetPicture();
    const QImage& source = *image_;
    QImage own(source.size(), source.format());
    own.setDotsPerMeterX(source.dotsPerMeterX());
    own.setDotsPerMeterY(source.dotsPerMeterY());
    own.setDevicePixelRatio(source.devicePixelRatio());
    own.setOffset(source.offset());
    for (const QString& key : source.textKeys())
        own.setText(key, source.text(key));
    const qsizetype rowBytes = qsizetype(source.width()) * 4;
    for (int y = 0; y < source.height(); ++y) {
        const uchar* from = source.constScanLine(y);
        uchar* to = own.scanLine(y);
        if (y < keep.top() || y > keep.bottom()) {
            std::memcpy(to, from, rowBytes);
        } else {
            std::memcpy(to, from, qsizetype(keep.left()) * 4);
            const qsizetype right = qsizetype(keep.right() + 1) * 4;
            std::memcpy(to + right, from + right, rowBytes - right);
        }
    }
    *image_ = std::move(own);
}

TBitmap::TBitmap() : canvas_(std::make_unique<TCanvas>(&image_)) {}

QImage& TBitmap::Image() {
    // Whoever takes the picture may replace, share or draw on it: the canvas's painter must not
    // outlive that, nor what the canvas knows of its pixels.
    canvas_->PictureChanging(image_.rect());
    return image_;
}

void TBitmap::SetSize(int w, int h) {
    w = std::max(0, w);
    h = std::max(0, h);
    if (w == width_ && h == height_) return;
    canvas_->PictureChanging(QRect(0, 0, std::max(w, width_), std::max(h, height_)));
    width_ = w;
    height_ = h;
    QImage resized;
    if (w > 0 && h > 0) {
        resized = QImage(w, h, QImage::Format_RGB32);
        resized.fill(Qt::white);
        if (!image_.isNull()) {
            QPainter p(&resized);
            p.setCompositionMode(QPainter::CompositionMode_Source);
            p.drawImage(QPoint(0, 0), image_);
        }
    }
    image_ = std::move(resized);
}

void TBitmap::Assign(const TBitmap& source) {
    // The two bitmaps share one picture until either is drawn on: no painter may be left on it.
    canvas_->PictureChanging(
        QRect(0, 0, std::max(width_, source.width_), std::max(height_, source.height_)));
    source.canvas_->EndPaint();
    width_ = source.width_;
    height_ = source.height_;
    image_ = source.image_;
    canvas_->Reset();
}
