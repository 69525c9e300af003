#pragma once

// Turns a bitmap by a multiple of 90 degrees into a new bitmap: exact pixel movement, no
// resampling. The three rotations switch the source to Bgr24 first and return Bgr24 bitmaps;
// CloneBitmap copies in the source's own format. The source is not freed. nullptr when memory
// runs out or the source cannot be switched.

#include "model/Bitmap.h"

namespace korvo {

BitmapPtr CloneBitmap(TBitmap& source);
// Result H × W; the source's top row becomes the right-hand column, read top to bottom.
BitmapPtr RotateClockwise(TBitmap& source);
// Result W × H; rows and columns both reversed.
BitmapPtr RotateHalfTurn(TBitmap& source);
// Result H × W; the source's top row becomes the left-hand column, read bottom to top.
BitmapPtr RotateCounterClockwise(TBitmap& source);

// The half turn in the bitmap's own memory, so that no second full-size picture is needed.
// False (bitmap unchanged) when the switch to Bgr24 fails.
bool RotateHalfTurnInPlace(TBitmap& bitmap);

} // namespace korvo
