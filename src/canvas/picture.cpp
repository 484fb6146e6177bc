#include "canvas/picture.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace {

// Pixels given back by pictures, kept for the next picture of the same size: each frame copies
// the background picture and the table's bitmaps, and a block of a megabyte or more handed back
// to the system and asked for again costs page faults on every frame. A few blocks, at most 32 MB
// in all; the oldest go first.
class Recycler {
  public:
    std::shared_ptr<Pixel[]> Take(std::size_t count) {
        for (auto it = kept_.begin(); it != kept_.end(); ++it) {
            if (it->second != count) continue;
            Pixel* pixels = it->first;
            bytes_ -= count * sizeof(Pixel);
            kept_.erase(it);
            return Wrap(pixels, count);
        }
        return Wrap(new Pixel[count], count);
    }

  private:
    std::shared_ptr<Pixel[]> Wrap(Pixel* pixels, std::size_t count) {
        return std::shared_ptr<Pixel[]>(pixels, [this, count](Pixel* p) { Give(p, count); });
    }
    void Give(Pixel* pixels, std::size_t count) {
        constexpr std::size_t kMaxBytes = std::size_t(32) << 20, kMaxBlocks = 16;
        const std::size_t bytes = count * sizeof(Pixel);
        if (count < 4096 || bytes > kMaxBytes) {  // small blocks: the allocator's own business
            delete[] pixels;
            return;
        }
        kept_.emplace_back(pixels, count);
        bytes_ += bytes;
        while (bytes_ > kMaxBytes || kept_.size() > kMaxBlocks) {
            delete[] kept_.front().first;
            bytes_ -= kept_.front().second * sizeof(Pixel);
            kept_.erase(kept_.begin());
        }
    }

    std::vector<std::pair<Pixel*, std::size_t>> kept_;
    std::size_t bytes_ = 0;
};

}  // namespace

std::shared_ptr<Pixel[]> Picture::Allocate(std::size_t count) {
    // Never destroyed: pictures may outlive any static object.
    static Recycler* recycler = new Recycler;
    return recycler->Take(count);
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
