// The drawing of the window as both shells show it, and what changed in it.
#include "canvas/pixel_kernels.h"
#include "engine/state.h"

Picture Drawing(const State& s) {
    Picture out = s.WindowCanvas.Image();
    const Rect fond = s.FOND.Bounds & out.rect();
    if (fond.isEmpty()) return out;
    // FOND shows the top-left part of its bitmap, the button face where the bitmap ends.
    FillRect(out, fond, Opaque(clBtnFace));
    const Picture& picture = s.FOND.Picture.Bitmap.Image();
    if (!picture.isNull()) {
        const Picture shown =
            picture.copy(Rect(0, 0, fond.width(), fond.height()) & picture.rect());
        Blit(out, fond.topLeft(), shown, cmSrcCopy);
    }
    return out;
}

Rect TakeDirtyRect(State& s) {
    const Rect fond =
        s.FOND.Canvas()->TakeDirtyRect().translated(s.FOND.Bounds.topLeft()) & s.FOND.Bounds;
    return fond | s.Canvas()->TakeDirtyRect();
}
