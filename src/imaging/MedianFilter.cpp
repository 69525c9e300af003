#include "imaging/MedianFilter.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>

namespace korvo {

namespace {

    // out[j] := the median of in[j], in[j + 3] and in[j + 6]: byte j + 3 of a row filtered with
    // the same channel of its left and right neighbour. Plain byte minima and maxima, which the
    // compiler turns into vector code; compiled once more for AVX2, chosen at run time (by a
    // plain test rather than an ifunc, which runs before sanitizer runtimes are set up).
    [[gnu::always_inline]] inline void MedianKernel(
        const std::uint8_t* __restrict in, std::uint8_t* __restrict out, std::size_t count)
    {
        for (std::size_t j = 0; j < count; ++j) {
            const std::uint8_t a = in[j];
            const std::uint8_t b = in[j + 3];
            const std::uint8_t c = in[j + 6];
            const std::uint8_t low = std::min(a, b);
            const std::uint8_t high = std::max(a, b);
            out[j] = std::max(low, std::min(high, c));
        }
    }

    void MedianPortable(const std::uint8_t* in, std::uint8_t* out, std::size_t count) { MedianKernel(in, out, count); }

#if defined(__x86_64__) && defined(__GNUC__)
    [[gnu::target("avx2")]] void MedianWide(const std::uint8_t* in, std::uint8_t* out, std::size_t count)
    {
        MedianKernel(in, out, count);
    }
#endif

    void MedianBytes(const std::uint8_t* in, std::uint8_t* out, std::size_t count)
    {
#if defined(__x86_64__) && defined(__GNUC__)
        if (__builtin_cpu_supports("avx2")) {
            MedianWide(in, out, count);
            return;
        }
#endif
        MedianPortable(in, out, count);
    }

} // namespace

void MedianFilterRow(const std::uint8_t* in, std::uint8_t* out, int width)
{
    const std::size_t n = 3 * static_cast<std::size_t>(width);
    if (width < 3) {
        std::memcpy(out, in, n);
        return;
    }
    std::memcpy(out, in, 3);
    MedianBytes(in, out + 3, n - 6);
    std::memcpy(out + n - 3, in + n - 3, 3);
}

void ApplyMedianFilter(TBitmap& bitmap)
{
    if (!bitmap.SwitchTo24() || bitmap.Width() < 3)
        return;
    // In place: the originals are read from a copy of the row, taken in chunks that overlap by
    // the three bytes on either side, so the left neighbour counts with its value from before
    // the pass and no allocation is needed.
    constexpr std::size_t Chunk = 4096;
    std::array<std::uint8_t, Chunk + 6> originals;
    const std::size_t n = 3 * static_cast<std::size_t>(bitmap.Width());
    const std::size_t end = n - 3;
    for (int y = 0; y < bitmap.Height(); ++y) {
        std::uint8_t* row = bitmap.Row(y);
        // originals[0] holds the original of byte s − 3.
        std::memcpy(originals.data(), row, std::min(n, Chunk + 6));
        for (std::size_t s = 3; s < end;) {
            const std::size_t e = std::min(s + Chunk, end);
            MedianBytes(originals.data(), row + s, e - s);
            if (e < end) {
                // Keep the originals of bytes e − 3 … e + 2; the bytes from e + 3 on are
                // still unfiltered in the row.
                std::memmove(originals.data(), originals.data() + (e - s), 6);
                const std::size_t next = std::min(e + Chunk, end);
                std::memcpy(originals.data() + 6, row + e + 3, next - e);
            }
            s = e;
        }
    }
}

} // namespace korvo
