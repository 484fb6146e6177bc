// Bitmaps: a picture and its canvas, copied together.
#include <algorithm>

#include "canvas/canvas.h"
#include "canvas/pixel_kernels.h"

TBitmap::TBitmap() : canvas_(&image_) {}

TBitmap::TBitmap(const TBitmap& other)
    : width_(other.width_), height_(other.height_), image_(other.image_), canvas_(&image_) {
    canvas_.CopyStateFrom(other.canvas_);
}

TBitmap& TBitmap::operator=(const TBitmap& other) {
    if (this == &other) return *this;
    canvas_.PictureChanging(
        Rect(0, 0, std::max(width_, other.width_), std::max(height_, other.height_)));
    width_ = other.width_;
    height_ = other.height_;
    image_ = other.image_;
    canvas_.CopyStateFrom(other.canvas_);
    return *this;
}

Picture& TBitmap::WritableImage() {
    // Whoever takes the picture may replace, share or draw on it: what the canvas knows of its
    // pixels no longer holds.
    canvas_.PictureChanging(image_.rect());
    return image_;
}

void TBitmap::SetSize(int w, int h) {
    w = std::max(0, w);
    h = std::max(0, h);
    if (w == width_ && h == height_) return;
    canvas_.PictureChanging(Rect(0, 0, std::max(w, width_), std::max(h, height_)));
    width_ = w;
    height_ = h;
    Picture resized;
    if (w > 0 && h > 0) {
        resized = Picture(w, h);
        if (!image_.isNull()) Blit(resized, Point{0, 0}, image_, cmSrcCopy);
    }
    image_ = std::move(resized);
}

void TBitmap::Assign(const TBitmap& source) {
    canvas_.PictureChanging(
        Rect(0, 0, std::max(width_, source.width_), std::max(height_, source.height_)));
    width_ = source.width_;
    height_ = source.height_;
    image_ = source.image_;
    canvas_.Reset();
}
