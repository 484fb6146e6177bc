#include "canvas/pixel_kernels.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>

Rect ThinLine(Picture& image, Point from, Point to, TColor colour) {
    const Pixel rgb = Opaque(colour);
    const int dx = std::abs(to.x - from.x);
    const int dy = std::abs(to.y - from.y);
    const int sx = to.x >= from.x ? 1 : -1;
    const int sy = to.y >= from.y ? 1 : -1;
    const bool xMajor = dx >= dy;
    const int major = xMajor ? dx : dy;
    const int minor = xMajor ? dy : dx;
    if (major == 0) return Rect();
    // On a tie the minor coordinate goes to the smaller value: stay when moving towards larger
    // values, step when moving towards smaller ones.
    const bool stepOnTie = (xMajor ? sy : sx) < 0;
    const int w = image.width();
    const int h = image.height();
    Pixel* const bits = image.bits();
    const std::ptrdiff_t stride = w;
    Changes changes;
    if (minor == 0) {
        // Straight across or straight down, as most of the scenes' strokes: the pixels from
        // `from` up to `to`, clipped.
        const Point last = to - Point{xMajor ? sx : 0, xMajor ? 0 : sy};
        const Rect line = Rect::FromCorners({std::min(from.x, last.x), std::min(from.y, last.y)},
                                            {std::max(from.x, last.x), std::max(from.y, last.y)}) &
                          image.rect();
        for (int y = line.top(); y <= line.bottom(); ++y) {
            Pixel* const row = bits + y * stride;
            for (int x = line.left(); x <= line.right(); ++x) {
                if (row[x] != rgb) {
                    row[x] = rgb;
                    changes.Add(y, x, x);
                }
            }
        }
        return changes.Area();
    }
    // i * minor = q * major + rem; the pixel is q or q + 1 steps off by the remainder's size.
    int q = 0, rem = 0;
    for (int i = 0; i < major; ++i) {
        const int r2 = 2 * rem;
        const int offset = q + ((r2 > major || (r2 == major && stepOnTie)) ? 1 : 0);
        const int x = from.x + sx * (xMajor ? i : offset);
        const int y = from.y + sy * (xMajor ? offset : i);
        if (x >= 0 && y >= 0 && x < w && y < h && bits[y * stride + x] != rgb) {
            bits[y * stride + x] = rgb;
            changes.Add(y, x, x);
        }
        rem += minor;
        if (rem >= major) {
            rem -= major;
            ++q;
        }
    }
    return changes.Area();
}

// The loops over whole rows of pixels, compiled for the wider vectors of recent processors too,
// the right version being chosen when the program starts.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define TT_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define TT_VECTOR_CLONES
#endif

// Gives `count` pixels the colour. The C library's wide-character fill is a 32-bit fill, tuned
// for the processor it runs on; WebAssembly's C library has a plain loop instead, and there the
// row is filled by copying what is already filled (a few block copies, which the engine runs at
// memory speed).
static void FillRow(Pixel* row, int count, Pixel rgb) {
#if defined(__EMSCRIPTEN__)
    const int first = std::min(count, 16);
    for (int i = 0; i < first; ++i)
        row[i] = rgb;
    for (int done = first; done < count;) {
        const int n = std::min(done, count - done);
        std::memcpy(row + done, row, std::size_t(n) * sizeof(Pixel));
        done += n;
    }
#else
    if constexpr (sizeof(wchar_t) == sizeof(Pixel)) {
        std::wmemset(reinterpret_cast<wchar_t*>(row), static_cast<wchar_t>(rgb), count);
    } else {
        std::fill(row, row + count, rgb);
    }
#endif
}

Rect FillRect(Picture& image, Rect area, Pixel rgb) {
    area &= image.rect();
    if (area.isEmpty()) return Rect();
    const std::ptrdiff_t stride = image.width();
    Pixel* row = image.bits() + area.top() * stride + area.left();
    for (int y = area.top(); y <= area.bottom(); ++y, row += stride)
        FillRow(row, area.width(), rgb);
    return area;
}

// The cross-hatch brush: an 8 x 8 tile anchored at the picture's origin, with one horizontal line
// (row 3) and one vertical line (column 4); the rest of the tile is left unpainted.
static bool OnCross(int x, int y) {
    return (y & 7) == 3 || (x & 7) == 4;
}

Rect FillCross(Picture& image, Rect area, Pixel rgb) {
    area &= image.rect();
    if (area.isEmpty()) return Rect();
    const std::ptrdiff_t stride = image.width();
    Pixel* row = image.bits() + area.top() * stride;
    for (int y = area.top(); y <= area.bottom(); ++y, row += stride) {
        if ((y & 7) == 3) {
            FillRow(row + area.left(), area.width(), rgb);
        } else {
            for (int x = area.left() + ((4 - area.left()) & 7); x <= area.right(); x += 8)
                row[x] = rgb;
        }
    }
    return area;
}

// A row of the target combined with a row of the source, every pixel left opaque: pixel by pixel
// where the compiler makes wide vectors of the loop, two pixels at a time in a 64-bit word in
// WebAssembly (which we build without vectors, for older browsers).
template <typename Combine>
static inline void CombineRow(Pixel* to, const Pixel* from, int width, Combine combine) {
    int x = 0;
#if defined(__EMSCRIPTEN__)
    constexpr std::uint64_t kOpaque2 = 0xFF000000FF000000ull;
    for (; x + 1 < width; x += 2) {
        std::uint64_t a, b;
        std::memcpy(&a, from + x, 8);
        std::memcpy(&b, to + x, 8);
        const std::uint64_t c = combine(a, b) | kOpaque2;
        std::memcpy(to + x, &c, 8);
    }
#endif
    for (; x < width; ++x)
        to[x] = Pixel(combine(from[x], to[x])) | 0xFF000000u;
}

// The pixels of a row combined into one (all of them ANDed, or ORed): two at a time in
// WebAssembly, as above.
template <typename Combine>
static inline Pixel FoldRow(const Pixel* row, int width, std::uint64_t start, Combine combine) {
    std::uint64_t all = start;
    int x = 0;
#if defined(__EMSCRIPTEN__)
    for (; x + 1 < width; x += 2) {
        std::uint64_t two;
        std::memcpy(&two, row + x, 8);
        all = combine(all, two);
    }
    all = combine(all, all >> 32);
#endif
    for (; x < width; ++x)
        all = combine(all, row[x]);
    return Pixel(all);
}

TT_VECTOR_CLONES Rect Blit(Picture& target, Point at, const Picture& source, TCopyMode mode) {
    const Rect area = Rect(at.x, at.y, source.width(), source.height()) & target.rect();
    if (area.isEmpty()) return Rect();
    const std::ptrdiff_t targetStride = target.width();
    const std::ptrdiff_t sourceStride = source.width();
    Pixel* to = target.bits() + area.top() * targetStride + area.left();
    const Pixel* from =
        source.constBits() + (area.top() - at.y) * sourceStride + (area.left() - at.x);
    const int width = area.width();
    Changes changes;
    for (int y = area.top(); y <= area.bottom(); ++y, to += targetStride, from += sourceStride) {
        switch (mode) {
            case cmSrcCopy:
                std::memcpy(to, from, std::size_t(width) * sizeof(Pixel));
                break;
            case cmSrcAnd: {
                // A white source row leaves the target row as it is (its pixels are opaque):
                // the target need not even be read. Masks are mostly white. A row whose ends
                // and middle are not all white is not looked at twice.
                if ((from[0] & from[width / 2] & from[width - 1]) == ~0u &&
                    FoldRow(from, width, ~0ull,
                            [](std::uint64_t a, std::uint64_t b) { return a & b; }) == ~0u)
                    continue;
                CombineRow(to, from, width, [](std::uint64_t a, std::uint64_t b) { return a & b; });
                break;
            }
            case cmSrcPaint: {
                // Likewise a black source row under OR.
                if (((from[0] | from[width / 2] | from[width - 1]) & 0x00FFFFFFu) == 0 &&
                    (FoldRow(from, width, 0,
                             [](std::uint64_t a, std::uint64_t b) { return a | b; }) &
                     0x00FFFFFFu) == 0)
                    continue;
                CombineRow(to, from, width, [](std::uint64_t a, std::uint64_t b) { return a | b; });
                break;
            }
        }
        changes.Add(y, area.left(), area.right());
    }
    return changes.Area();
}

Rect PaintRuns(Picture& image, Point at, const PixelRuns& runs, Pixel rgb) {
    const int w = image.width();
    const int h = image.height();
    const Rect placed = runs.bounds.translated(at);
    if (placed.isEmpty() || !placed.intersects(image.rect())) return Rect();
    const std::ptrdiff_t stride = w;
    Pixel* const bits = image.bits();
    if (image.rect().contains(placed)) {
        // All inside: no clipping, and one test per run.
        Pixel* const origin = bits + at.y * stride + at.x;
        bool changed = false;
        for (const PixelRuns::Span& span : runs.spans) {
            Pixel* const run = origin + span.y * stride;
            Pixel differ = 0;
            for (int x = span.left; x <= span.right; ++x) {
                differ |= run[x] ^ rgb;
                run[x] = rgb;
            }
            changed |= differ != 0;
        }
        // Redrawn where it already is, it changes nothing and need not be shown again.
        return changed ? placed : Rect();
    }
    Changes changes;
    for (const PixelRuns::Span& span : runs.spans) {
        const int y = at.y + span.y;
        if (y < 0 || y >= h) continue;
        const int left = std::max(0, at.x + span.left);
        const int right = std::min(w - 1, at.x + span.right);
        if (left > right) continue;
        Pixel* const run = bits + y * stride;
        Pixel differ = 0;
        for (int x = left; x <= right; ++x) {
            differ |= run[x] ^ rgb;
            run[x] = rgb;
        }
        if (differ != 0) changes.Add(y, left, right);
    }
    return changes.Area();
}

Rect PaintRunsCross(Picture& image, const PixelRuns& runs, Pixel rgb) {
    if (!runs.bounds.intersects(image.rect())) return Rect();
    Changes changes;
    for (const PixelRuns::Span& span : runs.spans) {
        if (span.y < 0 || span.y >= image.height()) continue;
        const int left = std::max(0, span.left), right = std::min(image.width() - 1, span.right);
        Pixel* const row = image.scanLine(span.y);
        for (int x = left; x <= right; ++x) {
            if (!OnCross(x, span.y) || row[x] == rgb) continue;
            row[x] = rgb;
            changes.Add(span.y, x, x);
        }
    }
    return changes.Area();
}
