#include "canvas/canvas.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QHash>
#include <QPainter>
#include <QPen>
#include <QPolygon>
#include <QStaticText>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

// The laid-out text of a string in a font, kept for the next time the same string is drawn in
// the same font: the scenes redraw the same labels on every frame.
struct TextRun {
    int width = 0;  // the advance, where the pen position moves to
    QStaticText text;
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

// Offset of the minor coordinate after `i` steps of a line that moves `minor` pixels over `major`
// steps in direction `sign`: the nearest pixel, and on an exact tie the one to the left or above.
int MinorOffset(int i, int minor, int major, int sign) {
    const int q = i * minor / major;
    const int r2 = 2 * (i * minor % major);
    if (r2 > major) return q + 1;
    if (r2 < major) return q;
    return sign > 0 ? q : q + 1;
}

// A one-pixel line from `from` towards `to`, `to` itself left out, whatever the direction.
// Each step along the major axis paints one pixel.
void ThinLine(QImage& image, QPoint from, QPoint to, TColor colour) {
    const QRgb rgb = 0xFF000000u | colour;
    const int dx = std::abs(to.x() - from.x());
    const int dy = std::abs(to.y() - from.y());
    const int sx = to.x() >= from.x() ? 1 : -1;
    const int sy = to.y() >= from.y() ? 1 : -1;
    const int steps = std::max(dx, dy);
    const int w = image.width();
    const int h = image.height();
    if (steps == 0) return;
    QRgb* const bits = reinterpret_cast<QRgb*>(image.bits());
    const qsizetype stride = image.bytesPerLine() / 4;
    for (int i = 0; i < steps; ++i) {
        int x, y;
        if (dx >= dy) {
            x = from.x() + sx * i;
            y = from.y() + sy * MinorOffset(i, dy, dx, sy);
        } else {
            y = from.y() + sy * i;
            x = from.x() + sx * MinorOffset(i, dx, dy, sx);
        }
        if (x >= 0 && y >= 0 && x < w && y < h) bits[y * stride + x] = rgb;
    }
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

// Fills the part of `area` inside the image.
void FillRect(QImage& image, QRect area, QRgb rgb) {
    area &= image.rect();
    if (area.isEmpty()) return;
    const qsizetype stride = image.bytesPerLine() / 4;
    QRgb* row = reinterpret_cast<QRgb*>(image.bits()) + area.top() * stride + area.left();
    for (int y = area.top(); y <= area.bottom(); ++y, row += stride)
        std::fill(row, row + area.width(), rgb);
}

// The cross-hatch brush: an 8 x 8 tile anchored at the image's origin, with one horizontal line
// (row 3) and one vertical line (column 4); the rest of the tile is left unpainted.
void FillCross(QImage& image, QRect area, QRgb rgb) {
    area &= image.rect();
    if (area.isEmpty()) return;
    const qsizetype stride = image.bytesPerLine() / 4;
    QRgb* row = reinterpret_cast<QRgb*>(image.bits()) + area.top() * stride;
    for (int y = area.top(); y <= area.bottom(); ++y, row += stride) {
        if ((y & 7) == 3) {
            std::fill(row + area.left(), row + area.right() + 1, rgb);
        } else {
            for (int x = area.left() + ((4 - area.left()) & 7); x <= area.right(); x += 8)
                row[x] = rgb;
        }
    }
}

// Copies `source` with its top-left corner at `at`, combined with what is there by `mode`.
void Blit(QImage& target, QPoint at, const QImage& source, TCopyMode mode) {
    const QRect area = QRect(at, source.size()) & target.rect();
    if (area.isEmpty()) return;
    const qsizetype targetStride = target.bytesPerLine() / 4;
    const qsizetype sourceStride = source.bytesPerLine() / 4;
    QRgb* to = reinterpret_cast<QRgb*>(target.bits()) + area.top() * targetStride + area.left();
    const QRgb* from = reinterpret_cast<const QRgb*>(source.constBits()) +
                       (area.top() - at.y()) * sourceStride + (area.left() - at.x());
    const int width = area.width();
    for (int y = 0; y < area.height(); ++y, to += targetStride, from += sourceStride) {
        switch (mode) {
            case cmSrcCopy:
                std::copy(from, from + width, to);
                break;
            case cmSrcAnd:
                for (int x = 0; x < width; ++x)
                    to[x] = (from[x] & to[x]) | 0xFF000000u;
                break;
            case cmSrcPaint:
                for (int x = 0; x < width; ++x)
                    to[x] = from[x] | to[x] | 0xFF000000u;
                break;
        }
    }
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
            ThinLine(*image_, pos_, to, Pen.Color);
        } else {
            QPainter& p = Painter();
            p.setPen(MakePen(Pen, Qt::RoundJoin));
            p.drawLine(pos_, to);
        }
        const int w = std::max(1, Pen.Width);
        MarkDirty(QRect(pos_, to).normalized().adjusted(-w, -w, w, w));
    }
    pos_ = to;
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
    const int w = std::max(1, Pen.Width);
    MarkDirty(r.toAlignedRect().adjusted(-w, -w, w, w));
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
            FillRect(*image_, inner, brush);
            break;
        case bsCross:
            FillCross(*image_, inner, brush);
            break;
        case bsClear:
            break;
    }
    FillRect(*image_, QRect(outer.left(), outer.top(), outer.width(), width), pen);
    FillRect(*image_, QRect(outer.left(), inner.bottom() + 1, outer.width(), width), pen);
    FillRect(*image_, QRect(outer.left(), inner.top(), width, inner.height()), pen);
    FillRect(*image_, QRect(inner.right() + 1, inner.top(), width, inner.height()), pen);
    MarkDirty(
        QRect(QPoint(left - width, top - width), QPoint(right - 2 + width, bottom - 2 + width)));
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
    const int w = std::max(1, Pen.Width);
    MarkDirty(r.toAlignedRect().adjusted(-w, -w, w, w));
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
    const int w = std::max(1, Pen.Width);
    MarkDirty(QPolygon(QList<QPoint>(qpoints.begin(), qpoints.end()))
                  .boundingRect()
                  .adjusted(-w, -w, w, w));
}

const QFont& TCanvas::CurrentFont() {
    const int pixels = PointsToPixels(Font.Size);
    if (pixels != fontPixels_ || Font.Bold != fontBold_ || Font.Name != fontName_) {
        fontName_ = Font.Name;
        fontPixels_ = pixels;
        fontBold_ = Font.Bold;
        font_ = MakeFont(fontName_, fontPixels_, fontBold_);
        const QFontMetrics metrics(font_);
        fontAscent_ = metrics.ascent();
        fontHeight_ = metrics.height();
        fontKey_ = fontName_ + QChar(0x1F) + QString::number(fontPixels_) +
                   (fontBold_ ? QStringLiteral("b") : QStringLiteral("r")) + QChar(0x1F);
        static unsigned serial = 0;
        fontSerial_ = ++serial;
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
    TextRun run;
    run.width = QFontMetrics(font).horizontalAdvance(text);
    run.text.setText(text);
    run.text.setTextFormat(Qt::PlainText);
    run.text.prepare(QTransform(), font);
    return *runs.insert(key, std::move(run));
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
        if (bkMode_ == OPAQUE) {
            const QRect ground(x, y, width, fontHeight_);
            if (IsRgb32(*image_)) {
                DetachFor(ground);
                FillRect(*image_, ground, 0xFF000000u | bkColor_);
            } else {
                Painter().fillRect(ground, ToQColor(bkColor_));
            }
        }
        QPainter& p = Painter();
        if (painterFont_ != fontSerial_) {
            p.setFont(font_);
            painterFont_ = fontSerial_;
        }
        p.setPen(ToQColor(Font.Color));
        // Laid out from the top-left of the text cell: the baseline falls at y + ascent, exactly
        // where drawing the string at that baseline would put it.
        p.drawStaticText(QPointF(x, y), run.text);
        // Glyphs may overhang their advance a little (italic, large sizes).
        MarkDirty(QRect(x - fontHeight_ / 2, y, width + fontHeight_, fontHeight_));
    }
    pos_ = QPoint(x + width, y);
}

void TCanvas::Draw(int x, int y, const TBitmap* bitmap) {
    if (bitmap == nullptr || image_ == nullptr || image_->isNull() || bitmap->Image().isNull())
        return;
    if (IsRgb32(*image_) && IsRgb32(bitmap->Image()) && &bitmap->Image() != image_) {
        if (CopyMode == cmSrcCopy) DetachFor(QRect(QPoint(x, y), bitmap->Image().size()));
        Blit(*image_, QPoint(x, y), bitmap->Image(), CopyMode);
        MarkDirty(QRect(QPoint(x, y), bitmap->Image().size()));
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
    // Whoever takes the picture may replace or share it: the canvas's painter must not outlive
    // that.
    canvas_->EndPaint();
    return image_;
}

void TBitmap::SetSize(int w, int h) {
    w = std::max(0, w);
    h = std::max(0, h);
    if (w == width_ && h == height_) return;
    canvas_->EndPaint();
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
    source.canvas_->EndPaint();
    width_ = source.width_;
    height_ = source.height_;
    image_ = source.image_;
    canvas_->Reset();
}
