// A picture: rows of 32-bit opaque pixels 0xFFRRGGBB, new pictures white. A copy shares its
// pixels with the original until either is written to (copy on write): every frame starts from a
// copy of the background picture, which costs nothing until it is drawn on.
#pragma once

#include <cstdint>
#include <memory>

#include "canvas/geometry.h"

using Pixel = std::uint32_t;

class Picture {
  public:
    Picture() = default;  // null: no pixels
    Picture(int width, int height, Pixel fill = 0xFFFFFFFFu);

    int width() const { return width_; }
    int height() const { return height_; }
    bool isNull() const { return pixels_ == nullptr; }
    Rect rect() const { return Rect(0, 0, width_, height_); }
    bool valid(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

    // Reading does not copy anything.
    const Pixel* constBits() const { return pixels_.get(); }
    const Pixel* constScanLine(int y) const { return constBits() + std::size_t(y) * width_; }
    Pixel pixel(int x, int y) const { return constScanLine(y)[x]; }

    // Writing first gives the picture pixels of its own, if they are shared.
    Pixel* bits();
    Pixel* scanLine(int y) { return bits() + std::size_t(y) * width_; }
    void setPixel(int x, int y, Pixel p) { scanLine(y)[x] = p; }
    void fill(Pixel p);

    // True when no other picture shares these pixels.
    bool isDetached() const { return pixels_ == nullptr || pixels_.use_count() == 1; }
    void detach() { bits(); }
    // Takes pixels of its own without copying the rows of `blank`, which are left undefined
    // (the caller paints them at once).
    void DetachExcept(const Rect& blank);

    // The part `area` of the picture (white where it lies outside).
    Picture copy(const Rect& area) const;

    friend bool operator==(const Picture& a, const Picture& b);

  private:
    int width_ = 0, height_ = 0;
    std::size_t size() const { return std::size_t(width_) * std::size_t(height_); }
    static std::shared_ptr<Pixel[]> Allocate(std::size_t count);  // left undefined

    std::shared_ptr<Pixel[]> pixels_;
};
