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

// Rows `first` … `first` + count − 1 of the Bgr24 picture `source` turned by `rotate` quarter
// turns clockwise (0 … 3), into `rows`: what a turned copy would hold, without making it. A
// caller that needs the turned picture only row by row (to scale it) walks it in strips.
// `rows` must not point into `source`.
int TurnedWidth(const TBitmap& source, int rotate);
int TurnedHeight(const TBitmap& source, int rotate);
void TurnedRows(const TBitmap& source, int rotate, int first, int count, std::uint8_t* const* rows);

} // namespace korvo
