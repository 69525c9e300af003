#pragma once

// Resamples a whole source bitmap into a destination whose size the caller has set: per
// direction a copy (same size), area averaging (smaller) or linear interpolation (larger), in
// single-precision arithmetic with halves rounded to even. Both bitmaps are switched to Bgr24.
// Either pointer null: nothing happens.
//
// Throws TScaleError (a std::domain_error) when a target side of 0 meets a different source
// side (the ratio would divide by zero), when pixels would be sampled from an empty source, or
// when a side exceeds MaxScaleSide; std::bad_alloc when memory runs out. In every such case no
// pixel of the destination has been written.

#include "model/Bitmap.h"

#include <stdexcept>

namespace korvo {

class TScaleError : public std::domain_error {
public:
    using std::domain_error::domain_error;
};

// Positions are single-precision values, which hold every whole number only up to 2^24; above
// this side the interval walk could stop advancing.
inline constexpr int MaxScaleSide = 1 << 23;

void ScaleBitmap(TBitmap* source, TBitmap* dest);

} // namespace korvo
