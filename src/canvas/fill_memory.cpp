// What a canvas remembers of its picture: the part drawn on since it was last shown, and the
// areas it filled with one colour and has not drawn on since. The scenes fill the same large
// areas with the same colours tick after tick (the table's mask and its dark top): what is known
// to have the colour already is not filled again. The memory is forgotten whenever the picture
// changes behind the canvas (handed out for writing, resized, replaced, shared by Assign) and,
// for an area, as soon as anything is drawn over it.
#include <algorithm>

#include "canvas/canvas.h"
#include "canvas/pixel_kernels.h"
#include "canvas/zoom_twin.h"

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
    if (twin_ && !drawingText_) twin_->Sync(*image_, changed);
}

void TCanvas::PictureChanging(const QRect& area) {
    EndPaint();
    ForgetPicture();
    const bool drawingText = drawingText_;
    drawingText_ = true;  // nothing to copy to the twin yet: it is brought up to date later
    MarkDirty(area);
    drawingText_ = drawingText;
    twinStale_ = true;
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
