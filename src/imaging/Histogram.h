#pragma once

// Tonal correction: a histogram contrast stretch in place. With separate channels each of
// blue, green and red gets its own cut points; otherwise one histogram over all bytes gives
// one mapping for all three, so neutral greys stay neutral. `strength` is the fraction of
// samples (0 … 0.5) allowed below the lower and above the upper cut point. The bitmap is
// switched to Bgr24 first; if that fails it is left as it is.

#include "model/Bitmap.h"

#include <array>
#include <cstdint>

namespace korvo {

void EqualizeBitmap(TBitmap& bitmap, bool separateChannels, double strength);

// The same in two steps, for pictures that pass row by row: count every row of Bgr24 pixels,
// then map every row with the mapping the counts give.
struct TEqualizeMapping {
    std::array<std::array<std::uint8_t, 256>, 3> Channel {}; // blue, green, red

    void MapRow(std::uint8_t* row, int width) const;
};

class TEqualizeCounts {
public:
    void AddRow(const std::uint8_t* row, int width);
    TEqualizeMapping Mapping(bool separateChannels, double strength) const;

private:
    // Neighbouring pixels often share a value, and incrementing the same counter twice in a row
    // waits for the first store, so even and odd pixels count into separate copies.
    std::array<std::array<std::uint32_t, 256>, 3> m_counts[2] {};
};

} // namespace korvo
