#include "engine/frame.h"

#include "app/table.h"
#include "engine/globals.h"

void ResetSceneSurface(Ttable& form) {
    form.FOND->Picture.Bitmap.Assign(*BackgroundBitmap);
}
