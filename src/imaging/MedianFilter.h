#pragma once

// The median filter of the preprocessing: one pass over a picture in place, or one row at a
// time for the decoder's rows on their way to the resampler. The byte loop is compiled twice
// (portable and AVX2) and chosen at run time; both give the same bits.

#include "model/Bitmap.h"

#include <cstdint>

namespace korvo {

// A horizontal three-tap median per channel; the first and last column stay as they are.
void ApplyMedianFilter(TBitmap& bitmap);
// The same for one row of Bgr24 pixels, from `in` into `out` (which must not overlap).
void MedianFilterRow(const std::uint8_t* in, std::uint8_t* out, int width);

} // namespace korvo
