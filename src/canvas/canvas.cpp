#include "canvas/canvas.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "canvas/pixel_kernels.h"
#include "canvas/shapes.h"

int PointsToPixels(int points) {
    // Rounded like the platform's MulDiv(points, 96, 72).
    const int num = points * 96;
    return num >= 0 ? (num + 36) / 72 : -((-num + 36) / 72);
}

TCanvas::TCanvas(Picture* image) : image_(image) {}

void TCanvas::Reset() {
    Pen = TPen{};
    Brush.Color = clWhite;
    Brush.Style = bsSolid;
    Font = TFont{};
    CopyMode = cmSrcCopy;
    pos_ = Point{0, 0};
    bkMode_ = OPAQUE;
    bkColor_ = clWhite;
}

void TCanvas::CopyStateFrom(const TCanvas& other) {
    Pen = other.Pen;
    Brush = other.Brush;
    Font = other.Font;
    CopyMode = other.CopyMode;
    pos_ = other.pos_;
    bkMode_ = other.bkMode_;
    bkColor_ = other.bkColor_;
    realizedBrush_ = other.realizedBrush_;
    face_ = nullptr;
    uniform_ = other.uniform_;
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

Rect TCanvas::TakeDirtyRect() {
    return std::exchange(dirty_, Rect());
}

void TCanvas::MoveTo(int x, int y) {
    pos_ = Point{x, y};
}

void TCanvas::LineTo(int x, int y) {
    RealizeBrush();
    const Point to{x, y};
    if (!image_->isNull() && to != pos_) {
        if (Pen.Width <= 1) {
            MarkDirty(ThinLine(*image_, pos_, to, Pen.Color));
        } else {
            const Point d = to - pos_;
            // Far beyond any picture: nothing of it can show.
            if (std::abs(d.x) <= 1 << 16 && std::abs(d.y) <= 1 << 16) {
                const PixelRuns& runs = WideLineRuns(d.x, d.y, Pen.Width);
                MarkDirty(PaintRuns(*image_, pos_, runs, Opaque(Pen.Color)));
            }
        }
    }
    pos_ = to;
}

void TCanvas::PaintShape(const ShapeRuns& shape) {
    MarkDirty(PaintRuns(*image_, Point{0, 0}, shape.underFill, Opaque(Pen.Color)));
    switch (static_cast<TBrushStyle>(Brush.Style)) {
        case bsSolid:
            MarkDirty(PaintRuns(*image_, Point{0, 0}, shape.fill, Opaque(Brush.Color)));
            break;
        case bsCross:
            MarkDirty(PaintRunsCross(*image_, shape.fill, Opaque(Brush.Color)));
            break;
        case bsClear:
            break;
    }
    MarkDirty(PaintRuns(*image_, Point{0, 0}, shape.outline, Opaque(Pen.Color)));
}

namespace {

// Shapes whose coordinates go this far are none of the scenes': drawn as nothing.
bool Sane(int v) {
    return v > -(1 << 16) && v < (1 << 16);
}

}  // namespace

void TCanvas::Rectangle(int left, int top, int right, int bottom) {
    RealizeBrush();
    if (image_->isNull()) return;
    if (RectangleDirect(left, top, right, bottom)) return;
    if (!Sane(left) || !Sane(top) || !Sane(right) || !Sane(bottom) || Pen.Width > 64) return;
    PaintShape(RectangleRuns(left, top, right, bottom, Pen.Width, image_->rect()));
}

// Rectangles with a pen of width 1 or 2, drawn by rows: the brush fills columns left..right-2 and
// rows top..bottom-2, then the pen covers the outline, one pixel wide on the outline itself, or
// two pixels wide from one pixel outside it.
bool TCanvas::RectangleDirect(int left, int top, int right, int bottom) {
    const int width = std::max(1, Pen.Width);
    if (width > 2) return false;
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    if (right - left < 3 || bottom - top < 3) return false;
    // A one-pixel outline loses its bottom-right corner when it starts left of the picture: such
    // rectangles go the general way.
    if (width == 1 && left < 0) return false;

    const Pixel pen = Opaque(Pen.Color);
    const Pixel brush = Opaque(Brush.Color);
    // The pen's outer and inner edges: the band between them is the outline.
    const Rect outer = width == 1 ? Rect::FromCorners({left, top}, {right - 1, bottom - 1})
                                  : Rect::FromCorners({left - 1, top - 1}, {right - 1, bottom - 1});
    const Rect inner = outer.adjusted(width, width, -width, -width);
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
    Fill(Rect(outer.left(), outer.top(), outer.width(), width), pen);
    Fill(Rect(outer.left(), inner.bottom() + 1, outer.width(), width), pen);
    Fill(Rect(outer.left(), inner.top(), width, inner.height()), pen);
    Fill(Rect(inner.right() + 1, inner.top(), width, inner.height()), pen);
    return true;
}

void TCanvas::Ellipse(int left, int top, int right, int bottom) {
    RealizeBrush();
    if (image_->isNull()) return;
    if (!Sane(left) || !Sane(top) || !Sane(right) || !Sane(bottom) || Pen.Width > 64) return;
    // Farther than the picture reaches, an ellipse is worked out for the part that shows at most.
    PaintShape(EllipseRuns(left, top, right, bottom, Pen.Width, image_->rect()));
}

void TCanvas::Polygon(std::initializer_list<TPoint> points) {
    RealizeBrush();
    if (image_->isNull() || points.size() < 2 || Pen.Width > 64) return;
    for (const TPoint& p : points)
        if (!Sane(p.x) || !Sane(p.y)) return;
    PaintShape(
        PolygonRuns(std::vector<Point>(points.begin(), points.end()), Pen.Width, image_->rect()));
}

const FontFace& TCanvas::CurrentFace() {
    const int pixels = PointsToPixels(Font.Size);
    if (face_ == nullptr || face_->pixels != pixels || face_->bold != Font.Bold ||
        face_->name != Font.Name)
        face_ = &FaceFor(Font.Name, pixels, Font.Bold);
    return *face_;
}

int TCanvas::TextWidth(std::string_view text) {
    return TextRunFor(CurrentFace(), text).width;
}

int TCanvas::TextHeight(std::string_view /*text*/) {
    return CurrentFace().height;
}

void TCanvas::TextOut(int x, int y, std::string_view text) {
    RealizeBrush();
    const FontFace& face = CurrentFace();
    const TextRun& run = TextRunFor(face, text);
    if (!image_->isNull() && !text.empty()) {
        if (listener_ != nullptr) listener_->BeforeText(*image_);
        drawingText_ = listener_ != nullptr;
        const Rect ground(x, y, run.width, face.height);
        if (bkMode_ == OPAQUE) {
            DetachFor(ground);
            Fill(ground, Opaque(bkColor_));
        }
        MarkDirty(PaintRuns(*image_, Point{x, y}, run.runs, Opaque(Font.Color)));
        if (drawingText_) {
            drawingText_ = false;
            listener_->TextDrawn(
                *image_, {text, Font, ground,
                          bkMode_ == OPAQUE ? std::optional<TColor>(bkColor_) : std::nullopt,
                          run.runs.bounds.translated(x, y)});
        }
    }
    pos_ = Point{x + run.width, y};
}

void TCanvas::Draw(int x, int y, const TBitmap* bitmap) {
    if (bitmap == nullptr || image_->isNull() || bitmap->Image().isNull()) return;
    const Picture& source = bitmap->Image();
    if (&source == image_) {
        // Onto itself: from a copy of what it was.
        const Picture before = source;
        if (CopyMode == cmSrcCopy) DetachFor(Rect(x, y, before.width(), before.height()));
        MarkDirty(Blit(*image_, Point{x, y}, before, CopyMode));
        return;
    }
    if (CopyMode == cmSrcCopy) DetachFor(Rect(x, y, source.width(), source.height()));
    MarkDirty(Blit(*image_, Point{x, y}, source, CopyMode));
}
