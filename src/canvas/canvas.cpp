#include "canvas/canvas.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <QPolygon>
#include <algorithm>
#include <cstdlib>
#include <utility>

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

// Rounds n / d (d > 0) to the nearest integer, halves going to the smaller one.
int RoundHalfDown(int n, int d) {
    // ceil((2n - d) / 2d), with a division that rounds toward minus infinity.
    const int num = 2 * n - d;
    const int den = 2 * d;
    const int floorOfNegated = (-num >= 0) ? (-num / den) : -((num + den - 1) / den);
    return -floorOfNegated;
}

// A one-pixel line as the platform draws it: one pixel per step along the longer axis, from the
// first point (painted) to the last one (left out), each on the pixel nearest to the exact line;
// a tie goes to the left pixel or the upper one. The result does not depend on which way the
// line runs, apart from its two ends.
void ThinLine(QImage& image, QPoint from, QPoint to, TColor colour) {
    const int dx = to.x() - from.x();
    const int dy = to.y() - from.y();
    const int steps = std::max(std::abs(dx), std::abs(dy));
    const QRgb rgb = 0xFF000000u | colour;
    for (int i = 0; i < steps; ++i) {
        int x;
        int y;
        if (std::abs(dx) >= std::abs(dy)) {
            x = from.x() + (dx > 0 ? i : -i);
            y = from.y() + RoundHalfDown(i * dy, steps);
        } else {
            y = from.y() + (dy > 0 ? i : -i);
            x = from.x() + RoundHalfDown(i * dx, steps);
        }
        if (image.valid(x, y)) image.setPixel(x, y, rgb);
    }
}

void PrepareAliased(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.setBrushOrigin(0, 0);
    p.setBackgroundMode(Qt::TransparentMode);
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
    if (image_ != nullptr && !image_->isNull() && to != pos_ && Pen.Width <= 1) {
        ThinLine(*image_, pos_, to, Pen.Color);
        MarkDirty(QRect(pos_, to).normalized().adjusted(-1, -1, 1, 1));
    } else if (image_ != nullptr && !image_->isNull() && to != pos_) {
        QPainter p(image_);
        PrepareAliased(p);
        p.setPen(MakePen(Pen, Qt::RoundJoin));
        p.drawLine(pos_, to);
        const int w = std::max(1, Pen.Width);
        MarkDirty(QRect(pos_, to).normalized().adjusted(-w, -w, w, w));
    }
    pos_ = to;
}

void TCanvas::Rectangle(int left, int top, int right, int bottom) {
    RealizeBrush();
    if (image_ == nullptr || image_->isNull()) return;
    QPainter p(image_);
    PrepareAliased(p);
    p.setPen(MakePen(Pen, Qt::MiterJoin));
    p.setBrush(MakeBrush(Brush));
    const QRectF r = OutlineRect(left, top, right, bottom);
    p.drawRect(r);
    const int w = std::max(1, Pen.Width);
    MarkDirty(r.toAlignedRect().adjusted(-w, -w, w, w));
}

void TCanvas::Ellipse(int left, int top, int right, int bottom) {
    RealizeBrush();
    if (image_ == nullptr || image_->isNull()) return;
    QPainter p(image_);
    PrepareAliased(p);
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
    QPainter p(image_);
    PrepareAliased(p);
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
    }
    return font_;
}

int TCanvas::CurrentAscent() {
    CurrentFont();
    return fontAscent_;
}

int TCanvas::TextWidth(const QString& text) {
    return QFontMetrics(CurrentFont()).horizontalAdvance(text);
}

int TCanvas::TextHeight(const QString& /*text*/) {
    CurrentFont();
    return fontHeight_;
}

void TCanvas::TextOut(int x, int y, const QString& text) {
    RealizeBrush();
    const QFont& font = CurrentFont();
    const int width = QFontMetrics(font).horizontalAdvance(text);
    if (image_ != nullptr && !image_->isNull() && !text.isEmpty()) {
        QPainter p(image_);
        PrepareAliased(p);
        if (bkMode_ == OPAQUE) p.fillRect(QRect(x, y, width, fontHeight_), ToQColor(bkColor_));
        p.setFont(font);
        p.setPen(ToQColor(Font.Color));
        p.drawText(QPoint(x, y + fontAscent_), text);
        // Glyphs may overhang their advance a little (italic, large sizes).
        MarkDirty(QRect(x - fontHeight_ / 2, y, width + fontHeight_, fontHeight_));
    }
    pos_ = QPoint(x + width, y);
}

void TCanvas::Draw(int x, int y, const TBitmap* bitmap) {
    if (bitmap == nullptr || image_ == nullptr || image_->isNull() || bitmap->Image().isNull())
        return;
    QPainter p(image_);
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
    MarkDirty(QRect(QPoint(x, y), bitmap->Image().size()));
}

// ---------------------------------------------------------------------------------------------
TBitmap::TBitmap() : canvas_(std::make_unique<TCanvas>(&image_)) {}

void TBitmap::SetSize(int w, int h) {
    w = std::max(0, w);
    h = std::max(0, h);
    if (w == width_ && h == height_) return;
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
    width_ = source.width_;
    height_ = source.height_;
    image_ = source.image_;
    canvas_->Reset();
}
