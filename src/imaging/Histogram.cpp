#include "imaging/Histogram.h"

#include <array>
#include <cmath>
#include <cstdint>

namespace korvo {

namespace {

    using THistogram = std::array<std::uint32_t, 256>;
    using TMapping = std::array<std::uint8_t, 256>;

    struct TCutPoints {
        int Low = 255;
        int High = 0;
        int Range = 0;
    };

    // Low: the first value, counting up from 0, at which the running sum exceeds Cut (255 if
    // it never does); High likewise counting down from 255 (0 if it never does). A Range of 0
    // becomes 1; a negative one stays.
    TCutPoints FindCutPoints(const THistogram& histogram, std::int64_t cut)
    {
        TCutPoints points;
        std::int64_t sum = 0;
        for (int v = 0; v < 256; ++v) {
            sum += histogram[v];
            if (sum > cut) {
                points.Low = v;
                break;
            }
        }
        sum = 0;
        for (int v = 255; v >= 0; --v) {
            sum += histogram[v];
            if (sum > cut) {
                points.High = v;
                break;
            }
        }
        points.Range = points.High - points.Low;
        if (points.Range == 0)
            points.Range = 1;
        return points;
    }

    // The line through (Low, Low) with slope 255 / Range, truncated toward zero and clamped.
    TMapping MakeMapping(const TCutPoints& points)
    {
        TMapping mapping {};
        for (int v = 0; v < 256; ++v) {
            const int value = points.Low + ((v - points.Low) * 255) / points.Range;
            mapping[v] = static_cast<std::uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
        }
        return mapping;
    }

    std::int64_t CutFor(std::uint64_t total, double strength)
    {
        // Halves to the even neighbour (the default rounding mode).
        return static_cast<std::int64_t>(std::nearbyint(static_cast<double>(total) * strength));
    }

} // namespace

void EqualizeBitmap(TBitmap& bitmap, bool separateChannels, double strength)
{
    if (!bitmap.SwitchTo24())
        return;
    const int width = bitmap.Width();
    const int height = bitmap.Height();
    const std::size_t bytes = 3 * static_cast<std::size_t>(width);

    // Counting: one histogram per channel either way; the Gray mode adds them up, which is
    // the same as counting every byte into one. Neighbouring pixels often share a value, and
    // incrementing the same counter twice in a row waits for the first store, so even and odd
    // pixels count into separate copies that are added afterwards.
    THistogram counts[2][3] {};
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = bitmap.Row(y);
        std::size_t k = 0;
        for (; k + 6 <= bytes; k += 6) {
            ++counts[0][0][row[k]];
            ++counts[0][1][row[k + 1]];
            ++counts[0][2][row[k + 2]];
            ++counts[1][0][row[k + 3]];
            ++counts[1][1][row[k + 4]];
            ++counts[1][2][row[k + 5]];
        }
        if (k < bytes) {
            ++counts[0][0][row[k]];
            ++counts[0][1][row[k + 1]];
            ++counts[0][2][row[k + 2]];
        }
    }
    for (int c = 0; c < 3; ++c)
        for (int v = 0; v < 256; ++v)
            counts[0][c][v] += counts[1][c][v];
    const THistogram* channel = counts[0];

    TMapping mappings[3];
    if (separateChannels) {
        std::uint64_t total = 0;
        for (std::uint32_t count : channel[1]) // green
            total += count;
        const std::int64_t cut = CutFor(total, strength);
        for (int c = 0; c < 3; ++c)
            mappings[c] = MakeMapping(FindCutPoints(channel[c], cut));
    } else {
        THistogram all {};
        std::uint64_t total = 0;
        for (int v = 0; v < 256; ++v) {
            all[v] = channel[0][v] + channel[1][v] + channel[2][v];
            total += all[v];
        }
        const TMapping mapping = MakeMapping(FindCutPoints(all, CutFor(total, strength)));
        mappings[0] = mappings[1] = mappings[2] = mapping;
    }

    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = bitmap.Row(y);
        for (std::size_t k = 0; k < bytes; k += 3) {
            row[k] = mappings[0][row[k]];
            row[k + 1] = mappings[1][row[k + 1]];
            row[k + 2] = mappings[2][row[k + 2]];
        }
    }
}

} // namespace korvo
