#include "canvas/canvas.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QHash>
#include <QPainter>
#include <QPen>
#include <QPolygon>
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <optional>
#include <utility>
#include <vector>

// Pixels a shape covers, as runs along rows, from an origin point.
struct PixelRuns {
    struct Span {
        int y, left, right;  // right included
    };
    std::vector<Span> spans;
    QRect bounds;  // of the spans
};

// A string as a font draws it, kept for the next time the same string is drawn in the same font
// (the scenes redraw the same labels on every frame): its advance and the pixels its glyphs
// cover, from the top-left of its cell. Text is drawn without antialiasing, so a pixel is either
// covered or not, and the runs are the same wherever the text is put.
struct TextRun {
    int width = 0;  // the advance, where the pen position moves to
    PixelRuns runs;
};

// The pixels of a line wider than one pixel, from its start point: the painter's round-capped
// stroke, rasterised once for each direction, length and width. Coordinates are whole pixels, so
// the same line elsewhere covers the same pixels moved by the same amount.
struct LineStamp {
    PixelRuns runs;
};

namespace {

QPen MakePen(const TPen& pen, Qt::PenJoinStyle join) {
    QPen p(ToQColor(pen.Color));
    const int width = std::max(1, pen.Width);
    p.setWidth(width);
    // A one-pixel line leaves out its last point (flat cap); wider pens end round.
    p.setCapStyle(width == 1 ? Qt::FlatCap : Qt::RoundCap);
    p.setJoinStyle(join);
    return p;
}

QBrush MakeBrush(const TBrush& brush) {
    switch (static_cast<TBrushStyle>(brush.Style)) {
        case bsSolid:
            return QBrush(ToQColor(brush.Color), Qt::SolidPattern);
        case bsCross:
            return QBrush(ToQColor(brush.Color), Qt::CrossPattern);
        case bsClear:
            break;
    }
    return QBrush(Qt::NoBrush);
}

// Rectangle and Ellipse take (left, top, right, bottom) and cover up to right-1 and bottom-1.
QRectF OutlineRect(int left, int top, int right, int bottom) {
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    return QRectF(left, top, right - 1 - left, bottom - 1 - top);
}

// The pixels a drawing routine changed, as one rectangle.
class Changes {
  public:
    void Add(int y, int left, int right) {
        top_ = std::min(top_, y);
        bottom_ = std::max(bottom_, y);
        left_ = std::min(left_, left);
        right_ = std::max(right_, right);
    }
    QRect Rect() const {
        return bottom_ < top_ ? QRect() : QRect(QPoint(left_, top_), QPoint(right_, bottom_));
    }

  private:
    int top_ = INT_MAX, bottom_ = INT_MIN, left_ = INT_MAX, right_ = INT_MIN;
};

// A one-pixel line from `from` towards `to`, `to` itself left out, whatever the direction.
// Each step along the major axis paints one pixel, the one nearest to the ideal line across it;
// on an exact tie, the one to the left or above. Returns the part of the image it changed.
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

void PrepareAliased(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.setBrushOrigin(0, 0);
    p.setBackgroundMode(Qt::TransparentMode);
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
void FillRow(QRgb* row, int count, QRgb rgb) {
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

// The runs of the pixels that `draw` paints on a scratch picture of the given size, from
// `origin`; nothing if they reach the picture's border, where they may have been cut.
template <typename Draw>
std::optional<PixelRuns> Trace(QSize size, QPoint origin, Draw draw) {
    QImage scratch(size, QImage::Format_RGB32);
    constexpr QRgb kGround = 0xFF000000u;
    scratch.fill(kGround);
    {
        QPainter p(&scratch);
        PrepareAliased(p);
        draw(p);
    }
    PixelRuns runs;
    for (int y = 0; y < scratch.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(scratch.constScanLine(y));
        for (int x = 0; x < scratch.width(); ++x) {
            if (row[x] == kGround) continue;
            int end = x;
            while (end + 1 < scratch.width() && row[end + 1] != kGround)
                ++end;
            if (y == 0 || y == scratch.height() - 1 || x == 0 || end == scratch.width() - 1)
                return std::nullopt;
            runs.spans.push_back({y - origin.y(), x - origin.x(), end - origin.x()});
            runs.bounds |= QRect(QPoint(x, y), QPoint(end, y)).translated(-origin);
            x = end;
        }
    }
    return runs;
}

// Lays out and rasterises a string once, as the painter draws it, into its runs of pixels. A
// margin all round takes the glyphs that overhang their cell; it doubles until it is enough.
TextRun MakeTextRun(const QFont& font, int ascent, int height, const QString& text) {
    TextRun run;
    run.width = QFontMetrics(font).horizontalAdvance(text);
    if (text.isEmpty()) return run;
    for (int margin = std::max(8, height); margin <= 8192; margin *= 2) {
        const QSize size(std::max(1, run.width) + 2 * margin, height + 2 * margin);
        auto runs = Trace(size, QPoint(margin, margin), [&](QPainter& p) {
            p.setFont(font);
            p.setPen(Qt::white);
            p.drawText(QPoint(margin, margin + ascent), text);
        });
        if (runs) {
            run.runs = std::move(*runs);
            break;
        }
    }
    return run;
}

LineStamp MakeLineStamp(int dx, int dy, int width) {
    LineStamp stamp;
    for (int margin = width + 2; margin <= 8192; margin *= 2) {
        const QPoint from(margin + std::max(0, -dx), margin + std::max(0, -dy));
        const QSize size(std::abs(dx) + 2 * margin + 1, std::abs(dy) + 2 * margin + 1);
        auto runs = Trace(size, from, [&](QPainter& p) {
            QPen pen(Qt::white);
            pen.setWidth(width);
            pen.setCapStyle(Qt::RoundCap);
            pen.setJoinStyle(Qt::RoundJoin);
            p.setPen(pen);
            p.drawLine(from, from + QPoint(dx, dy));
        });
        if (runs) {
            stamp.runs = std::move(*runs);
            break;
        }
    }
    return stamp;
}

const LineStamp& LineStampFor(int dx, int dy, int width) {
    static QHash<quint64, LineStamp> stamps;
    const quint64 key = (quint64(quint32(dx)) << 32) ^ (quint64(quint32(dy)) << 8) ^ quint64(width);
    auto found = stamps.constFind(key);
    if (found != stamps.constEnd()) return *found;
    if (stamps.size() >= 4096) stamps.clear();
    return *stamps.insert(key, MakeLineStamp(dx, dy, width));
}

QHash<QString, TextRun>& TextRuns() {
    static QHash<QString, TextRun>* runs = [] {
        auto* table = new QHash<QString, TextRun>();
        // Fonts must go before the application does.
        qAddPostRoutine([] { TextRuns().clear(); });
        return table;
    }();
    return *runs;
}

}  // namespace

int PointsToPixels(int points) {
    // Rounded like the platform's MulDiv(points, 96, 72).
    const int num = points * 96;
    return num >= 0 ? (num + 36) / 72 : -((-num + 36) / 72);
}

QFont MakeFont(const QString& name, int pixelSize, bool bold) {
    QString family = name;
    if (name.compare(QLatin1String("Arial"), Qt::CaseInsensitive) == 0 ||
        name.compare(QLatin1String("MS Sans Serif"), Qt::CaseInsensitive) == 0) {
        family = QStringLiteral("Liberation Sans");
    } else if (name.compare(QLatin1String("Symbol"), Qt::CaseInsensitive) == 0) {
        // The URW symbol font keeps the classic symbol encoding: W is Omega, q is theta.
        family = QStringLiteral("Standard Symbols PS");
    }
    QFont font(family);
    font.setPixelSize(std::max(1, pixelSize));
    font.setBold(bold);
    font.setKerning(false);
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setStyleStrategy(
        static_cast<QFont::StyleStrategy>(QFont::NoAntialias | QFont::NoSubpixelAntialias));
    return font;
}

// ---------------------------------------------------------------------------------------------
TCanvas::TCanvas(QImage* image) : image_(image) {}

TCanvas::~TCanvas() {
    EndPaint();
}

void TCanvas::SetImage(QImage* image) {
    EndPaint();
    ForgetPicture();
    image_ = image;
}

QPainter& TCanvas::Painter() {
    // A copy of the image taken while the painter is on it is a deep copy, so the painter's
    // buffer is never shared; but a buffer put in the image behind the canvas's back needs a
    // painter of its own.
    if (painter_ != nullptr && image_->constBits() != painterBits_) EndPaint();
    if (painter_ == nullptr) {
        painter_ = std::make_unique<QPainter>(image_);
        PrepareAliased(*painter_);
        painterBits_ = image_->constBits();
        painterFont_ = 0;
    }
    return *painter_;
}

void TCanvas::EndPaint() {
    painter_.reset();
    painterBits_ = nullptr;
}

void TCanvas::DetachFor(const QRect& covered) {
    if (image_->isDetached()) return;
    EndPaint();
    const QRect keep = covered & image_->rect();
    if (keep.isEmpty() || !IsRgb32(*image_)) {
        image_->detach();
        return;
    }
    // Still shared with the picture it was copied from (Assign): copy only what the coming call
    // leaves as it is.
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

namespace {

// Rectangle tests on valid rectangles, inline: they run for every drawing call.
bool Inside(const QRect& inner, const QRect& outer) {
    return inner.left() >= outer.left() && inner.right() <= outer.right() &&
           inner.top() >= outer.top() && inner.bottom() <= outer.bottom();
}
bool Overlap(const QRect& a, const QRect& b) {
    return a.left() <= b.right() && b.left() <= a.right() && a.top() <= b.bottom() &&
           b.top() <= a.bottom();
}

}  // namespace

void TCanvas::MarkDirty(const QRect& changed) {
    if (changed.isEmpty()) return;
    if (dirty_.isEmpty()) {
        dirty_ = changed;
    } else {
        dirty_.setCoords(
            std::min(dirty_.left(), changed.left()), std::min(dirty_.top(), changed.top()),
            std::max(dirty_.right(), changed.right()), std::max(dirty_.bottom(), changed.bottom()));
    }
    // Areas known to be of one colour no longer are where something changed.
    std::erase_if(uniform_, [&](const Uniform& u) { return Overlap(u.area, changed); });
}

void TCanvas::ForgetPicture() {
    uniform_.clear();
}

namespace {

// What is left of `area` once the part inside `known` is taken away, when that part spans the
// whole width or height of `area` from one of its sides; `area` itself otherwise.
QRect Remainder(QRect area, const QRect& known) {
    if (known.left() <= area.left() && known.right() >= area.right()) {
        if (known.top() <= area.top() && known.bottom() >= area.top()) {
            area.setTop(known.bottom() + 1);
        } else if (known.bottom() >= area.bottom() && known.top() <= area.bottom()) {
            area.setBottom(known.top() - 1);
        }
    } else if (known.top() <= area.top() && known.bottom() >= area.bottom()) {
        if (known.left() <= area.left() && known.right() >= area.left()) {
            area.setLeft(known.right() + 1);
        } else if (known.right() >= area.right() && known.left() <= area.right()) {
            area.setRight(known.left() - 1);
        }
    }
    return area;
}

}  // namespace

void TCanvas::Fill(QRect area, QRgb rgb) {
    area &= image_->rect();
    if (area.isEmpty()) return;
    // The scenes fill the same large areas with the same colours tick after tick (the table's
    // mask and its dark top): what is known to have the colour already is left alone.
    QRect rest = area;
    for (const Uniform& u : uniform_) {
        if (u.colour != rgb) continue;
        if (Inside(rest, u.area)) {
            rest = QRect();
            break;
        }
        rest = Remainder(rest, u.area);
    }
    if (!rest.isEmpty()) MarkDirty(FillRect(*image_, rest, rgb));
    // Remember the whole area; drop what it contains, and the oldest when there are many.
    std::erase_if(uniform_, [&](const Uniform& u) { return Inside(u.area, area); });
    if (uniform_.size() >= 16) uniform_.erase(uniform_.begin());
    uniform_.push_back({area, rgb});
}

void TCanvas::Reset() {
    Pen = TPen{};
    Brush.Color = clWhite;
    Brush.Style = bsSolid;
    Font = TFont{};
    CopyMode = cmSrcCopy;
    pos_ = QPoint(0, 0);
    bkMode_ = OPAQUE;
    bkColor_ = clWhite;
}

void TCanvas::RealizeBrush() {
    if (realizedBrush_ == Brush.Generation()) return;
    realizedBrush_ = Brush.Generation();
    if (static_cast<TBrushStyle>(Brush.Style) == bsSolid) {
        bkMode_ = OPAQUE;
        bkColor_ = Brush.Color;
    } else {
        bkMode_ = TRANSPARENT;
    }
}

TCanvas* TCanvas::Handle() {
    RealizeBrush();
    return this;
}

void SetBkMode(HDC handle, int mode) {
    if (handle == nullptr) return;
    handle->bkMode_ = (mode == TRANSPARENT) ? TRANSPARENT : OPAQUE;
}

QRect TCanvas::TakeDirtyRect() {
    const QRect r = dirty_;
    dirty_ = QRect();
    return r;
}

void TCanvas::MoveTo(int x, int y) {
    pos_ = QPoint(x, y);
}

void TCanvas::LineTo(int x, int y) {
    RealizeBrush();
    const QPoint to(x, y);
    if (image_ != nullptr && !image_->isNull() && to != pos_) {
        if (Pen.Width <= 1) {
            MarkDirty(ThinLine(*image_, pos_, to, Pen.Color));
        } else if (const LineStamp* stamp = WideLineStamp(to)) {
            MarkDirty(PaintRuns(*image_, pos_, stamp->runs, 0xFF000000u | Pen.Color));
        } else {
            QPainter& p = Painter();
            p.setPen(MakePen(Pen, Qt::RoundJoin));
            p.drawLine(pos_, to);
            const int w = Pen.Width;
            MarkDirty(QRect(QPoint(std::min(pos_.x(), x) - w, std::min(pos_.y(), y) - w),
                            QPoint(std::max(pos_.x(), x) + w, std::max(pos_.y(), y) + w)));
        }
    }
    pos_ = to;
}

// A wide line on a 32-bit image, from the pen position, when all of it falls inside the image
// (the painter draws the others, cut at the edges).
const LineStamp* TCanvas::WideLineStamp(QPoint to) const {
    if (!IsRgb32(*image_)) return nullptr;
    const QPoint d = to - pos_;
    // Coordinates of a few thousand pixels at most, so that the offsets stay exact.
    if (std::abs(d.x()) > 4096 || std::abs(d.y()) > 4096) return nullptr;
    const LineStamp& stamp = LineStampFor(d.x(), d.y(), Pen.Width);
    if (!image_->rect().contains(stamp.runs.bounds.translated(pos_))) return nullptr;
    return &stamp;
}

void TCanvas::Rectangle(int left, int top, int right, int bottom) {
    RealizeBrush();
    if (image_ == nullptr || image_->isNull()) return;
    if (RectangleDirect(left, top, right, bottom)) return;
    QPainter& p = Painter();
    p.setPen(MakePen(Pen, Qt::MiterJoin));
    p.setBrush(MakeBrush(Brush));
    const QRectF r = OutlineRect(left, top, right, bottom);
    p.drawRect(r);
    // Left to the painter: degenerate outlines, whose mitred corners reach out up to the pen's
    // miter limit (twice its width).
    const int reach = 2 * std::max(1, Pen.Width) + 1;
    MarkDirty(r.normalized().toAlignedRect().adjusted(-reach, -reach, reach, reach));
}

// Rectangles with a pen of width 1 or 2 on a 32-bit image, drawn as the painter would draw them:
// the brush fills columns left..right-2 and rows top..bottom-2, then the pen covers the outline,
// one pixel wide on the outline itself, or two pixels wide from one pixel outside it.
bool TCanvas::RectangleDirect(int left, int top, int right, int bottom) {
    const int width = std::max(1, Pen.Width);
    if (width > 2 || !IsRgb32(*image_)) return false;
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    if (right - left < 3 || bottom - top < 3) return false;
    // The painter's one-pixel outline loses its bottom-right corner when it starts left of the
    // image: such rectangles are left to the painter.
    if (width == 1 && left < 0) return false;

    const QRgb pen = 0xFF000000u | Pen.Color;
    const QRgb brush = 0xFF000000u | Brush.Color;
    // The pen's outer and inner edges: the band between them is the outline.
    const QRect outer = width == 1
                            ? QRect(QPoint(left, top), QPoint(right - 1, bottom - 1))
                            : QRect(QPoint(left - 1, top - 1), QPoint(right - 1, bottom - 1));
    const QRect inner = outer.adjusted(width, width, -width, -width);
    if (static_cast<TBrushStyle>(Brush.Style) == bsSolid) DetachFor(outer);
    switch (static_cast<TBrushStyle>(Brush.Style)) {
        case bsSolid:
            Fill(inner, brush);
            break;
        case bsCross:
            MarkDirty(FillCross(*image_, inner, brush));
            break;
        case bsClear:
            break;
    }
    Fill(QRect(outer.left(), outer.top(), outer.width(), width), pen);
    Fill(QRect(outer.left(), inner.bottom() + 1, outer.width(), width), pen);
    Fill(QRect(outer.left(), inner.top(), width, inner.height()), pen);
    Fill(QRect(inner.right() + 1, inner.top(), width, inner.height()), pen);
    return true;
}

void TCanvas::Ellipse(int left, int top, int right, int bottom) {
    RealizeBrush();
    if (image_ == nullptr || image_->isNull()) return;
    QPainter& p = Painter();
    p.setPen(MakePen(Pen, Qt::RoundJoin));
    p.setBrush(MakeBrush(Brush));
    const QRectF r = OutlineRect(left, top, right, bottom);
    p.drawEllipse(r);
    // The painter's outline may reach a pixel past the pen's half width; a flat ellipse reaches
    // further along its long side, by up to a thirteenth of its length.
    const int reach = std::max(1, Pen.Width) + 1 + std::max(r.width(), r.height()) / 8;
    MarkDirty(r.normalized().toAlignedRect().adjusted(-reach, -reach, reach, reach));
}

void TCanvas::Polygon(std::initializer_list<TPoint> points) {
    RealizeBrush();
    if (image_ == nullptr || image_->isNull() || points.size() < 2) return;
    std::vector<QPoint> qpoints;
    qpoints.reserve(points.size());
    for (const TPoint& pt : points)
        qpoints.emplace_back(pt.x, pt.y);
    QPainter& p = Painter();
    p.setPen(MakePen(Pen, Qt::MiterJoin));
    p.setBrush(MakeBrush(Brush));
    p.drawPolygon(qpoints.data(), static_cast<int>(qpoints.size()), Qt::OddEvenFill);
    // A mitred corner reaches out up to the pen's miter limit (twice its width) from its point.
    const int reach = 2 * std::max(1, Pen.Width) + 1;
    MarkDirty(QPolygon(QList<QPoint>(qpoints.begin(), qpoints.end()))
                  .boundingRect()
                  .adjusted(-reach, -reach, reach, reach));
}

namespace {

// A font as the canvases use it: the Qt font and its metrics, set up once for each face, size
// and weight (the scenes switch between a handful of them many times a frame).
struct CanvasFont {
    QString name;
    int pixels;
    bool bold;
    QFont font;
    int ascent;
    int height;
    QString key;  // names the font in the text cache
    unsigned serial;
};

std::vector<CanvasFont>& Fonts() {
    static std::vector<CanvasFont>* fonts = [] {
        auto* list = new std::vector<CanvasFont>();
        // Fonts must go before the application does.
        qAddPostRoutine([] { Fonts().clear(); });
        return list;
    }();
    return *fonts;
}

const CanvasFont& FontFor(const QString& name, int pixels, bool bold) {
    std::vector<CanvasFont>* fonts = &Fonts();
    for (const CanvasFont& f : *fonts) {
        if (f.pixels == pixels && f.bold == bold && f.name == name) return f;
    }
    if (fonts->size() >= 64) fonts->clear();
    static unsigned serial = 0;
    CanvasFont f{name, pixels, bold, MakeFont(name, pixels, bold), 0, 0, QString(), ++serial};
    const QFontMetrics metrics(f.font);
    f.ascent = metrics.ascent();
    f.height = metrics.height();
    f.key = name + QChar(0x1F) + QString::number(pixels) +
            (bold ? QStringLiteral("b") : QStringLiteral("r")) + QChar(0x1F);
    fonts->push_back(std::move(f));
    return fonts->back();
}

}  // namespace

const QFont& TCanvas::CurrentFont() {
    const int pixels = PointsToPixels(Font.Size);
    if (pixels != fontPixels_ || Font.Bold != fontBold_ || Font.Name != fontName_) {
        const CanvasFont& f = FontFor(Font.Name, pixels, Font.Bold);
        fontName_ = f.name;
        fontPixels_ = f.pixels;
        fontBold_ = f.bold;
        font_ = f.font;
        fontAscent_ = f.ascent;
        fontHeight_ = f.height;
        fontKey_ = f.key;
        fontSerial_ = f.serial;
    }
    return font_;
}

int TCanvas::CurrentAscent() {
    CurrentFont();
    return fontAscent_;
}

const TextRun& TCanvas::Run(const QString& text) {
    const QFont& font = CurrentFont();
    QHash<QString, TextRun>& runs = TextRuns();
    const QString key = fontKey_ + text;
    auto found = runs.constFind(key);
    if (found != runs.constEnd()) return *found;
    if (runs.size() >= 4096) runs.clear();  // the scenes use a few hundred
    return *runs.insert(key, MakeTextRun(font, fontAscent_, fontHeight_, text));
}

int TCanvas::TextWidth(const QString& text) {
    return Run(text).width;
}

int TCanvas::TextHeight(const QString& /*text*/) {
    CurrentFont();
    return fontHeight_;
}

void TCanvas::TextOut(int x, int y, const QString& text) {
    RealizeBrush();
    const TextRun& run = Run(text);
    const int width = run.width;
    if (image_ != nullptr && !image_->isNull() && !text.isEmpty()) {
        const QRect ground(x, y, width, fontHeight_);
        const QRgb ink = 0xFF000000u | Font.Color;
        if (IsRgb32(*image_)) {
            if (bkMode_ == OPAQUE) {
                DetachFor(ground);
                Fill(ground, 0xFF000000u | bkColor_);
            }
            MarkDirty(PaintRuns(*image_, QPoint(x, y), run.runs, ink));
        } else {
            QPainter& p = Painter();
            if (bkMode_ == OPAQUE) p.fillRect(ground, ToQColor(bkColor_));
            if (painterFont_ != fontSerial_) {
                p.setFont(font_);
                painterFont_ = fontSerial_;
            }
            p.setPen(ToQColor(Font.Color));
            p.drawText(QPoint(x, y + fontAscent_), text);
            // Glyphs may overhang their advance a little (italic, large sizes).
            MarkDirty(QRect(x - fontHeight_ / 2, y, width + fontHeight_, fontHeight_));
        }
    }
    pos_ = QPoint(x + width, y);
}

void TCanvas::Draw(int x, int y, const TBitmap* bitmap) {
    if (bitmap == nullptr || image_ == nullptr || image_->isNull() || bitmap->Image().isNull())
        return;
    if (IsRgb32(*image_) && IsRgb32(bitmap->Image()) && &bitmap->Image() != image_) {
        if (CopyMode == cmSrcCopy) DetachFor(QRect(QPoint(x, y), bitmap->Image().size()));
        MarkDirty(Blit(*image_, QPoint(x, y), bitmap->Image(), CopyMode));
        return;
    }
    QPainter& p = Painter();
    switch (CopyMode) {
        case cmSrcCopy:
            p.setCompositionMode(QPainter::CompositionMode_Source);
            break;
        case cmSrcAnd:
            p.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
            break;
        case cmSrcPaint:
            p.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
            break;
    }
    p.drawImage(QPoint(x, y), bitmap->Image());
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    MarkDirty(QRect(QPoint(x, y), bitmap->Image().size()));
}

// ---------------------------------------------------------------------------------------------
TBitmap::TBitmap() : canvas_(std::make_unique<TCanvas>(&image_)) {}

QImage& TBitmap::Image() {
    // Whoever takes the picture may replace, share or draw on it: the canvas's painter must not
    // outlive that, nor what the canvas knows of its pixels.
    canvas_->EndPaint();
    canvas_->ForgetPicture();
    canvas_->MarkDirty(image_.rect());
    return image_;
}

void TBitmap::SetSize(int w, int h) {
    w = std::max(0, w);
    h = std::max(0, h);
    if (w == width_ && h == height_) return;
    canvas_->EndPaint();
    canvas_->ForgetPicture();
    canvas_->MarkDirty(QRect(0, 0, std::max(w, width_), std::max(h, height_)));
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
    canvas_->EndPaint();
    canvas_->ForgetPicture();
    canvas_->MarkDirty(
        QRect(0, 0, std::max(width_, source.width_), std::max(height_, source.height_)));
    source.canvas_->EndPaint();
    width_ = source.width_;
    height_ = source.height_;
    image_ = source.image_;
    canvas_->Reset();
}
