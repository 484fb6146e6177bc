#include "engine/frame.h"

#include "engine/state.h"

void ResetSceneSurface(State& s) {
    s.FOND.Picture.Bitmap.Assign(s.BackgroundBitmap);
}
