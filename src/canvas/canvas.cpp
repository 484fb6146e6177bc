#include "canvas/canvas.h"

#include <QPainter>
#include <QPen>
#include <QPolygon>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>
#include <vector>

#include "canvas/fonts.h"
#include "canvas/pixel_kernels.h"
#include "canvas/traced_runs.h"
#include "canvas/zoom_twin.h"

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

}  // namespace

TCanvas::TCanvas(QImage* image) : image_(image) {}

TCanvas::~TCanvas() {
    EndPaint();
}

void TCanvas::SetImage(QImage* image) {
    EndPaint();
    ForgetPicture();
    image_ = image;
    twinStale_ = true;
}

void TCanvas::SetZoom(double zoom) {
    if (std::abs(zoom - 1.0) < 1e-9 || image_ == nullptr) {
        twin_.reset();
    } else if (!twin_ || twin_->zoom() != zoom) {
        twin_ = std::make_unique<ZoomTwin>(*image_, zoom);
        twinStale_ = false;
    }
}

ZoomTwin* TCanvas::Twin() {
    if (twin_ && twinStale_) twin_->Sync(*image_, image_->rect());
    twinStale_ = false;
    return twin_.get();
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

TCanvas::State TCanvas::SaveState() const {
    return {Pen,  Brush.Color, Brush.Style, realizedBrush_ != Brush.Generation(), Font, CopyMode,
            pos_, bkMode_,     bkColor_};
}

void TCanvas::RestoreState(const State& state) {
    Pen = state.pen;
    Brush.Color = state.brushColor;
    Brush.Style = state.brushStyle;
    realizedBrush_ = state.brushPending ? Brush.Generation() - 1 : Brush.Generation();
    Font = state.font;
    CopyMode = state.copyMode;
    pos_ = state.pos;
    bkMode_ = state.bkMode;
    bkColor_ = state.bkColor;
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
    // The painter's outline may reach two pixels past the pen's half width; a flat ellipse reaches
    // further along its long side, by up to a thirteenth of its length.
    const int reach = std::max(1, Pen.Width) + 2 + std::max(r.width(), r.height()) / 8;
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
    return TextRunFor(fontKey_ + text, font, fontAscent_, fontHeight_, text);
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
        if (twin_) Twin();  // up to date under the text before the text is drawn over it
        drawingText_ = twin_ != nullptr;
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
        if (drawingText_) {
            drawingText_ = false;
            const QRect cell(x, y, width, fontHeight_);
            twin_->Text(*image_, text, font_, Font.Color, cell,
                        bkMode_ == OPAQUE ? std::optional<TColor>(bkColor_) : std::nullopt,
                        run.runs.bounds.translated(x, y));
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
