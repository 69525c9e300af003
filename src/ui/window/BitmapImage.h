#pragma once

// The bridge from the core's bitmaps to Qt's images, for drawing: a deep copy in the format Qt
// draws fastest, so the conversion happens once and never while painting.

#include "model/Bitmap.h"

#include <QImage>

namespace korvo {

// An opaque RGB32 copy of any bitmap format; a null image for an empty bitmap or when memory
// runs out.
QImage ToQImage(const TBitmap& bitmap);

} // namespace korvo
