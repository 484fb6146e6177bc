// What a canvas remembers of its picture: the part drawn on since it was last shown, and the
// areas it filled with one colour and has not drawn on since. The scenes fill the same large
// areas with the same colours tick after tick (the table's mask and its dark top): what is known
// to have the colour already is not filled again. The memory is forgotten whenever the picture
// changes behind the canvas (handed out for writing, resized, replaced, shared by Assign) and,
// for an area, as soon as anything is drawn over it.
#include <algorithm>

#include "canvas/canvas.h"
#include "canvas/pixel_kernels.h"

namespace {

// Rectangle tests on valid rectangles, inline: they run for every drawing call.
bool Inside(const Rect& inner, const Rect& outer) {
    return inner.left() >= outer.left() && inner.right() <= outer.right() &&
           inner.top() >= outer.top() && inner.bottom() <= outer.bottom();
}
bool Overlap(const Rect& a, const Rect& b) {
    return a.left() <= b.right() && b.left() <= a.right() && a.top() <= b.bottom() &&
           b.top() <= a.bottom();
}

}  // namespace

void TCanvas::MarkDirty(const Rect& changed) {
    if (changed.isEmpty()) return;
    dirty_ |= changed;
    // Areas known to be of one colour no longer are where something changed.
    std::erase_if(uniform_, [&](const Uniform& u) { return Overlap(u.area, changed); });
    if (listener_ != nullptr && !drawingText_) listener_->Drawn(*image_, changed);
}

void TCanvas::PictureChanging(const Rect& area) {
    ForgetPicture();
    if (!area.isEmpty()) dirty_ |= area;
    if (listener_ != nullptr) listener_->Replaced();
}

void TCanvas::ForgetPicture() {
    uniform_.clear();
}

void TCanvas::DetachFor(const Rect& covered) {
    if (image_->isDetached()) return;
    // Still shared (with the picture it was copied from by Assign, or with a copy someone took):
    // copy only what the coming call leaves as it is. The coming call must then paint all of
    // `covered`: what the canvas remembers of areas of one colour does not hold for the new
    // pixels, whose `covered` part is blank.
    ForgetPicture();
    image_->DetachExcept(covered);
}

namespace {

// What is left of `area` once the part inside `known` is taken away, when that part spans the
// whole width or height of `area` from one of its sides; `area` itself otherwise.
Rect Remainder(Rect area, const Rect& known) {
    int l = area.left(), t = area.top(), r = area.right(), b = area.bottom();
    if (known.left() <= l && known.right() >= r) {
        if (known.top() <= t && known.bottom() >= t) {
            t = known.bottom() + 1;
        } else if (known.bottom() >= b && known.top() <= b) {
            b = known.top() - 1;
        }
    } else if (known.top() <= t && known.bottom() >= b) {
        if (known.left() <= l && known.right() >= l) {
            l = known.right() + 1;
        } else if (known.right() >= r && known.left() <= r) {
            r = known.left() - 1;
        }
    }
    return Rect::FromCorners({l, t}, {r, b});
}

}  // namespace

void TCanvas::Fill(Rect area, Pixel rgb) {
    area &= image_->rect();
    if (area.isEmpty()) return;
    Rect rest = area;
    for (const Uniform& u : uniform_) {
        if (u.colour != rgb) continue;
        if (Inside(rest, u.area)) {
            rest = Rect();
            break;
        }
        rest = Remainder(rest, u.area);
        if (rest.isEmpty()) break;
    }
    if (!rest.isEmpty()) MarkDirty(FillRect(*image_, rest, rgb));
    // Remember the whole area; drop what it contains, and the oldest when there are many.
    std::erase_if(uniform_, [&](const Uniform& u) { return Inside(u.area, area); });
    if (uniform_.size() >= 16) uniform_.erase(uniform_.begin());
    uniform_.push_back({area, rgb});
}
