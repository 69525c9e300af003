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

void TEqualizeCounts::AddRow(const std::uint8_t* row, int width)
{
    const std::size_t bytes = 3 * static_cast<std::size_t>(width);
    auto& even = m_counts[0];
    auto& odd = m_counts[1];
    std::size_t k = 0;
    for (; k + 6 <= bytes; k += 6) {
        ++even[0][row[k]];
        ++even[1][row[k + 1]];
        ++even[2][row[k + 2]];
        ++odd[0][row[k + 3]];
        ++odd[1][row[k + 4]];
        ++odd[2][row[k + 5]];
    }
    if (k < bytes) {
        ++even[0][row[k]];
        ++even[1][row[k + 1]];
        ++even[2][row[k + 2]];
    }
}

TEqualizeMapping TEqualizeCounts::Mapping(bool separateChannels, double strength) const
{
    // One histogram per channel either way; the Gray mode adds them up, which is the same as
    // counting every byte into one.
    THistogram channel[3];
    for (int c = 0; c < 3; ++c)
        for (int v = 0; v < 256; ++v)
            channel[c][v] = m_counts[0][c][v] + m_counts[1][c][v];

    TEqualizeMapping result;
    if (separateChannels) {
        std::uint64_t total = 0;
        for (std::uint32_t count : channel[1]) // green
            total += count;
        const std::int64_t cut = CutFor(total, strength);
        for (int c = 0; c < 3; ++c)
            result.Channel[c] = MakeMapping(FindCutPoints(channel[c], cut));
    } else {
        THistogram all {};
        std::uint64_t total = 0;
        for (int v = 0; v < 256; ++v) {
            all[v] = channel[0][v] + channel[1][v] + channel[2][v];
            total += all[v];
        }
        const TMapping mapping = MakeMapping(FindCutPoints(all, CutFor(total, strength)));
        result.Channel[0] = result.Channel[1] = result.Channel[2] = mapping;
    }
    return result;
}

void TEqualizeMapping::MapRow(std::uint8_t* row, int width) const
{
    const std::size_t bytes = 3 * static_cast<std::size_t>(width);
    const auto& blue = Channel[0];
    const auto& green = Channel[1];
    const auto& red = Channel[2];
    for (std::size_t k = 0; k < bytes; k += 3) {
        row[k] = blue[row[k]];
        row[k + 1] = green[row[k + 1]];
        row[k + 2] = red[row[k + 2]];
    }
}

void EqualizeBitmap(TBitmap& bitmap, bool separateChannels, double strength)
{
    if (!bitmap.SwitchTo24())
        return;
    TEqualizeCounts counts;
    for (int y = 0; y < bitmap.Height(); ++y)
        counts.AddRow(bitmap.Row(y), bitmap.Width());
    const TEqualizeMapping mapping = counts.Mapping(separateChannels, strength);
    for (int y = 0; y < bitmap.Height(); ++y)
        mapping.MapRow(bitmap.Row(y), bitmap.Width());
}

} // namespace korvo
