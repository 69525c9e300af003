#pragma once

// Tonal correction: a histogram contrast stretch in place. With separate channels each of
// blue, green and red gets its own cut points; otherwise one histogram over all bytes gives
// one mapping for all three, so neutral greys stay neutral. `strength` is the fraction of
// samples (0 … 0.5) allowed below the lower and above the upper cut point. The bitmap is
// switched to Bgr24 first; if that fails it is left as it is.

#include "model/Bitmap.h"

namespace korvo {

void EqualizeBitmap(TBitmap& bitmap, bool separateChannels, double strength);

} // namespace korvo
