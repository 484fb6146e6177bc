#include "canvas/picture.h"

#include <algorithm>
#include <cstring>

std::shared_ptr<Pixel[]> Picture::Allocate(std::size_t count) {
    return std::shared_ptr<Pixel[]>(new Pixel[count]);
}

Picture::Picture(int width, int height, Pixel fill) {
    if (width <= 0 || height <= 0) return;
    width_ = width;
    height_ = height;
    pixels_ = Allocate(size());
    std::fill_n(pixels_.get(), size(), fill);
}

Pixel* Picture::bits() {
    if (pixels_ == nullptr) return nullptr;
    if (pixels_.use_count() > 1) {
        auto own = Allocate(size());
        std::memcpy(own.get(), pixels_.get(), size() * sizeof(Pixel));
        pixels_ = std::move(own);
    }
    return pixels_.get();
}

void Picture::fill(Pixel p) {
    if (pixels_ == nullptr) return;
    if (pixels_.use_count() > 1) pixels_ = Allocate(size());
    std::fill_n(pixels_.get(), size(), p);
}

void Picture::DetachExcept(const Rect& blank) {
    if (isDetached()) return;
    const Rect keep = blank & rect();
    auto own = Allocate(size());
    const Pixel* from = pixels_.get();
    Pixel* to = own.get();
    const std::size_t row = std::size_t(width_);
    for (int y = 0; y < height_; ++y, from += row, to += row) {
        if (keep.isEmpty() || y < keep.top() || y > keep.bottom()) {
            std::memcpy(to, from, row * sizeof(Pixel));
        } else {
            std::memcpy(to, from, std::size_t(keep.left()) * sizeof(Pixel));
            const std::size_t right = std::size_t(keep.right()) + 1;
            std::memcpy(to + right, from + right, (row - right) * sizeof(Pixel));
        }
    }
    pixels_ = std::move(own);
}

Picture Picture::copy(const Rect& area) const {
    Picture out(area.width(), area.height());
    const Rect inside = area & rect();
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        std::memcpy(out.scanLine(y - area.top()) + (inside.left() - area.left()),
                    constScanLine(y) + inside.left(), std::size_t(inside.width()) * sizeof(Pixel));
    return out;
}

bool operator==(const Picture& a, const Picture& b) {
    if (a.width_ != b.width_ || a.height_ != b.height_) return false;
    if (a.pixels_ == b.pixels_) return true;
    if (a.pixels_ == nullptr || b.pixels_ == nullptr) return false;
    return std::equal(a.pixels_.get(), a.pixels_.get() + a.size(), b.pixels_.get());
}
