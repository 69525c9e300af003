#pragma once

// The bevelled edge of thumbnails.

#include "model/Bitmap.h"

namespace korvo {

// A raised edge `edgeWidth` pixels wide in the outer rings: lighter at the top and left,
// darker at the bottom and right. No change when the width does not fit the picture.
void AddBevelFrame(TBitmap& bitmap, int edgeWidth);

} // namespace korvo
