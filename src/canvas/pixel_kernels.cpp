#include "canvas/pixel_kernels.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>

QRect ThinLine(QImage& image, QPoint from, QPoint to, TColor colour) {
    const QRgb rgb = 0xFF000000u | colour;
    const int dx = std::abs(to.x() - from.x());
    const int dy = std::abs(to.y() - from.y());
    const int sx = to.x() >= from.x() ? 1 : -1;
    const int sy = to.y() >= from.y() ? 1 : -1;
    const bool xMajor = dx >= dy;
    const int major = xMajor ? dx : dy;
    const int minor = xMajor ? dy : dx;
    if (major == 0) return QRect();
    // On a tie the minor coordinate goes to the smaller value: stay when moving towards larger
    // values, step when moving towards smaller ones.
    const bool stepOnTie = (xMajor ? sy : sx) < 0;
    const int w = image.width();
    const int h = image.height();
    QRgb* const bits = reinterpret_cast<QRgb*>(image.bits());
    const qsizetype stride = image.bytesPerLine() / 4;
    Changes changes;
    if (minor == 0) {
        // Straight across or straight down, as most of the scenes' strokes: the pixels from
        // `from` up to `to`, clipped.
        const QPoint last = to - QPoint(xMajor ? sx : 0, xMajor ? 0 : sy);
        const QRect line =
            QRect(QPoint(std::min(from.x(), last.x()), std::min(from.y(), last.y())),
                  QPoint(std::max(from.x(), last.x()), std::max(from.y(), last.y()))) &
            image.rect();
        for (int y = line.top(); y <= line.bottom(); ++y) {
            QRgb* const row = bits + y * stride;
            for (int x = line.left(); x <= line.right(); ++x) {
                if (row[x] != rgb) {
                    row[x] = rgb;
                    changes.Add(y, x, x);
                }
            }
        }
        return changes.Rect();
    }
    // i * minor = q * major + rem; the pixel is q or q + 1 steps off by the remainder's size.
    int q = 0, rem = 0;
    for (int i = 0; i < major; ++i) {
        const int r2 = 2 * rem;
        const int offset = q + ((r2 > major || (r2 == major && stepOnTie)) ? 1 : 0);
        const int x = from.x() + sx * (xMajor ? i : offset);
        const int y = from.y() + sy * (xMajor ? offset : i);
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
    return changes.Rect();
}

// Direct pixel work on 32-bit images, for the shapes whose pixels are plain rectangles: no painter
// to set up, and no hand-off of large fills to worker threads.
bool IsRgb32(const QImage& image) {
    return image.format() == QImage::Format_RGB32;
}

// The loops over whole rows of pixels, compiled for the wider vectors of recent processors too,
// the right version being chosen when the program starts.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define TT_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define TT_VECTOR_CLONES
#endif

// Gives `count` pixels the colour. The C library's wide-character fill is a 32-bit fill, tuned
// for the processor it runs on.
static void FillRow(QRgb* row, int count, QRgb rgb) {
    if constexpr (sizeof(wchar_t) == sizeof(QRgb)) {
        std::wmemset(reinterpret_cast<wchar_t*>(row), static_cast<wchar_t>(rgb), count);
    } else {
        std::fill(row, row + count, rgb);
    }
}

// Fills the part of `area` inside the image; returns that part.
QRect FillRect(QImage& image, QRect area, QRgb rgb) {
    area &= image.rect();
    if (area.isEmpty()) return QRect();
    const qsizetype stride = image.bytesPerLine() / 4;
    QRgb* row = reinterpret_cast<QRgb*>(image.bits()) + area.top() * stride + area.left();
    for (int y = area.top(); y <= area.bottom(); ++y, row += stride)
        FillRow(row, area.width(), rgb);
    return area;
}

// The cross-hatch brush: an 8 x 8 tile anchored at the image's origin, with one horizontal line
// (row 3) and one vertical line (column 4); the rest of the tile is left unpainted. Returns the
// part of the image it covers.
QRect FillCross(QImage& image, QRect area, QRgb rgb) {
    area &= image.rect();
    if (area.isEmpty()) return QRect();
    const qsizetype stride = image.bytesPerLine() / 4;
    QRgb* row = reinterpret_cast<QRgb*>(image.bits()) + area.top() * stride;
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

// Copies `source` with its top-left corner at `at`, combined with what is there by `mode`;
// returns the part of the target it may have changed.
TT_VECTOR_CLONES QRect Blit(QImage& target, QPoint at, const QImage& source, TCopyMode mode) {
    const QRect area = QRect(at, source.size()) & target.rect();
    if (area.isEmpty()) return QRect();
    const qsizetype targetStride = target.bytesPerLine() / 4;
    const qsizetype sourceStride = source.bytesPerLine() / 4;
    QRgb* to = reinterpret_cast<QRgb*>(target.bits()) + area.top() * targetStride + area.left();
    const QRgb* from = reinterpret_cast<const QRgb*>(source.constBits()) +
                       (area.top() - at.y()) * sourceStride + (area.left() - at.x());
    const int width = area.width();
    constexpr QRgb kOpaque = 0xFF000000u;
    Changes changes;
    for (int y = area.top(); y <= area.bottom(); ++y, to += targetStride, from += sourceStride) {
        switch (mode) {
            case cmSrcCopy:
                std::memcpy(to, from, qsizetype(width) * 4);
                break;
            case cmSrcAnd: {
                // A white source row leaves the target row as it is (its pixels are opaque):
                // the target need not even be read. Masks are mostly white. A row whose ends
                // and middle are not all white is not looked at twice.
                if ((from[0] & from[width / 2] & from[width - 1]) == ~0u) {
                    QRgb all = ~0u;
                    for (int x = 0; x < width; ++x)
                        all &= from[x];
                    if (all == ~0u) continue;
                }
                for (int x = 0; x < width; ++x)
                    to[x] = (from[x] & to[x]) | kOpaque;
                break;
            }
            case cmSrcPaint: {
                // Likewise a black source row under OR.
                if (((from[0] | from[width / 2] | from[width - 1]) & 0x00FFFFFFu) == 0) {
                    QRgb any = 0;
                    for (int x = 0; x < width; ++x)
                        any |= from[x];
                    if ((any & 0x00FFFFFFu) == 0) continue;
                }
                for (int x = 0; x < width; ++x)
                    to[x] = from[x] | to[x] | kOpaque;
                break;
            }
        }
        changes.Add(y, area.left(), area.right());
    }
    return changes.Rect();
}

// Gives the colour to runs of pixels put with their origin at `at`; returns the part of the
// image it changed.
QRect PaintRuns(QImage& image, QPoint at, const PixelRuns& runs, QRgb rgb) {
    const std::vector<PixelRuns::Span>& spans = runs.spans;
    const QRect& bounds = runs.bounds;
    const int w = image.width();
    const int h = image.height();
    const qsizetype stride = image.bytesPerLine() / 4;
    QRgb* const bits = reinterpret_cast<QRgb*>(image.bits());
    Changes changes;
    const QRect placed = bounds.translated(at);
    if (placed.left() >= 0 && placed.top() >= 0 && placed.right() < w && placed.bottom() < h) {
        // All inside: no clipping, and one test per run.
        QRgb* const origin = bits + at.y() * stride + at.x();
        bool changed = false;
        for (const PixelRuns::Span& span : spans) {
            QRgb* const run = origin + span.y * stride;
            QRgb differ = 0;
            for (int x = span.left; x <= span.right; ++x) {
                differ |= run[x] ^ rgb;
                run[x] = rgb;
            }
            changed |= differ != 0;
        }
        // Redrawn where it already is, it changes nothing and need not be shown again.
        return changed ? placed : QRect();
    }
    for (const PixelRuns::Span& span : spans) {
        const int y = at.y() + span.y;
        if (y < 0 || y >= h) continue;
        const int left = std::max(0, at.x() + span.left);
        const int right = std::min(w - 1, at.x() + span.right);
        if (left > right) continue;
        // Runs are a few pixels long. Text redrawn where it already is changes nothing and need
        // not be shown again.
        QRgb* const run = bits + y * stride;
        QRgb differ = 0;
        for (int x = left; x <= right; ++x) {
            differ |= run[x] ^ rgb;
            run[x] = rgb;
        }
        if (differ != 0) changes.Add(y, left, right);
    }
    return changes.Rect();
}
