#include "imaging/RotateBMP.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace korvo {

namespace {

    // Quarter turns move columns into rows. Walking one source column down the whole picture
    // touches a new cache line at every pixel, so the work goes in tiles of Tile source rows:
    // for each source row of a tile, the pixels that land in the requested result rows are
    // copied with the result rows (at most a strip of them) staying in the cache.
    constexpr int Tile = 64;

    inline void CopyPixel(std::uint8_t* out, const std::uint8_t* in)
    {
        out[0] = in[0];
        out[1] = in[1];
        out[2] = in[2];
    }

    // One result pixel of a quarter turn: result row `r` at position x takes source row `sy`.
    // Clockwise: D(x, y) = S(y, H − 1 − x), so result row r is source column r read bottom to
    // top. Counter-clockwise: D(x, y) = S(W − 1 − y, x), so result row r is source column
    // W − 1 − r read top to bottom.
    struct TQuarterTurn {
        const TBitmap& Source;
        bool Clockwise;
        int First;

        int Column(int r) const { return Clockwise ? First + r : Source.Width() - 1 - (First + r); }
        std::size_t Position(int sy) const
        {
            return 3 * static_cast<std::size_t>(Clockwise ? Source.Height() - 1 - sy : sy);
        }
        void CopyRange(std::uint8_t* const* rows, int r, int y0, int y1) const
        {
            const std::uint8_t* in = Source.Row(0) + 3 * static_cast<std::size_t>(Column(r));
            for (int sy = y0; sy < y1; ++sy)
                CopyPixel(rows[r] + Position(sy), in + sy * Source.Stride());
        }
    };

    void QuarterTurnPortable(const TQuarterTurn& turn, int count, std::uint8_t* const* rows)
    {
        const int h = turn.Source.Height();
        for (int y0 = 0; y0 < h; y0 += Tile)
            for (int r = 0; r < count; ++r)
                turn.CopyRange(rows, r, y0, std::min(h, y0 + Tile));
    }

#if defined(__x86_64__) && defined(__GNUC__)
#define KORVO_BLOCK_TURN 1
    // Blocks of 4 × 4 pixels: four 16-byte loads (one per source row) and, per result row, four
    // byte shuffles that take its pixel from each load to its place, joined into 12 bytes.
    // The masks: for result row i of a block and source row k, the pixel's three bytes go to
    // slot t (of four) of the result, t = 3 − k clockwise and t = k counter-clockwise.
    struct TTurnMasks {
        std::uint8_t Mask[4][4][16]; // [column in block][source row in block][byte]
    };

    constexpr TTurnMasks MakeTurnMasks(bool clockwise)
    {
        TTurnMasks masks {};
        for (int i = 0; i < 4; ++i)
            for (int k = 0; k < 4; ++k) {
                const int t = clockwise ? 3 - k : k;
                for (int b = 0; b < 16; ++b)
                    masks.Mask[i][k][b] = 0x80; // zero
                for (int c = 0; c < 3; ++c)
                    masks.Mask[i][k][3 * t + c] = static_cast<std::uint8_t>(3 * i + c);
            }
        return masks;
    }
    constexpr TTurnMasks ClockwiseMasks = MakeTurnMasks(true);
    constexpr TTurnMasks CounterClockwiseMasks = MakeTurnMasks(false);

    [[gnu::target("ssse3")]] void QuarterTurnBlocks(const TQuarterTurn& turn, int count, std::uint8_t* const* rows)
    {
        typedef char TChar16 __attribute__((vector_size(16)));
        const TBitmap& source = turn.Source;
        const int w = source.Width();
        const int h = source.Height();
        const TTurnMasks& masks = turn.Clockwise ? ClockwiseMasks : CounterClockwiseMasks;
        TChar16 mask[4][4];
        std::memcpy(mask, masks.Mask, sizeof mask);
        const std::size_t stride = source.Stride();
        // The strip's band of source columns, fetched a tile ahead: the rows lie far apart, so
        // the processor's own prefetching does not see them coming.
        const int left = std::min(turn.Column(0), turn.Column(count - 1));
        const std::size_t bandBytes
            = 3 * static_cast<std::size_t>(std::abs(turn.Column(count - 1) - turn.Column(0)) + 1);
        const std::uint8_t* band = source.Row(0) + 3 * static_cast<std::size_t>(left);
        for (int y0 = 0; y0 < h; y0 += Tile) {
            const int y1 = std::min(h, y0 + Tile);
            const int blockEnd = y0 + (y1 - y0) / 4 * 4;
            for (int sy = y0 + Tile; sy < std::min(h, y0 + 2 * Tile); ++sy)
                for (std::size_t b = 0; b < bandBytes; b += 64)
                    __builtin_prefetch(band + sy * stride + b);
            int r = 0;
            for (; r + 4 <= count; r += 4) {
                // The block's lowest source column; a 16-byte load from it must stay in the row.
                const int column = turn.Clockwise ? turn.Column(r) : turn.Column(r + 3);
                if (3 * column + 16 > 3 * w) {
                    for (int i = 0; i < 4; ++i)
                        turn.CopyRange(rows, r + i, y0, y1);
                    continue;
                }
                const std::uint8_t* in = source.Row(0) + 3 * static_cast<std::size_t>(column);
                for (int sy = y0; sy < blockEnd; sy += 4) {
                    TChar16 line[4];
                    for (int k = 0; k < 4; ++k)
                        std::memcpy(&line[k], in + (sy + k) * stride, 16);
                    // Clockwise the block lands at positions H − 4 − sy …, else at sy ….
                    const std::size_t at = turn.Clockwise ? turn.Position(sy + 3) : turn.Position(sy);
                    for (int i = 0; i < 4; ++i) {
                        // Result row of block column i: r + i clockwise, r + 3 − i otherwise.
                        const TChar16 joined = __builtin_ia32_pshufb128(line[0], mask[i][0])
                            | __builtin_ia32_pshufb128(line[1], mask[i][1])
                            | __builtin_ia32_pshufb128(line[2], mask[i][2])
                            | __builtin_ia32_pshufb128(line[3], mask[i][3]);
                        std::uint8_t* out = rows[turn.Clockwise ? r + i : r + 3 - i] + at;
                        std::memcpy(out, &joined, 12);
                    }
                }
                for (int i = 0; i < 4; ++i)
                    turn.CopyRange(rows, r + i, blockEnd, y1);
            }
            for (; r < count; ++r)
                turn.CopyRange(rows, r, y0, y1);
        }
    }
#endif

    // Result rows first … first + count − 1 of a quarter turn.
    void QuarterTurnRows(const TBitmap& source, bool clockwise, int first, int count, std::uint8_t* const* rows)
    {
        const TQuarterTurn turn { source, clockwise, first };
#ifdef KORVO_BLOCK_TURN
        if (__builtin_cpu_supports("ssse3")) {
            QuarterTurnBlocks(turn, count, rows);
            return;
        }
#endif
        QuarterTurnPortable(turn, count, rows);
    }

    BitmapPtr Turned(TBitmap& source, int rotate)
    {
        if (!source.SwitchTo24())
            return nullptr;
        BitmapPtr result
            = TBitmap::Create(TurnedWidth(source, rotate), TurnedHeight(source, rotate), PixelFormat::Bgr24);
        if (!result)
            return nullptr;
        std::uint8_t* rows[Tile];
        for (int first = 0; first < result->Height(); first += Tile) {
            const int count = std::min(Tile, result->Height() - first);
            for (int r = 0; r < count; ++r)
                rows[r] = result->Row(first + r);
            TurnedRows(source, rotate, first, count, rows);
        }
        return result;
    }

} // namespace

int TurnedWidth(const TBitmap& source, int rotate) { return rotate % 2 ? source.Height() : source.Width(); }
int TurnedHeight(const TBitmap& source, int rotate) { return rotate % 2 ? source.Width() : source.Height(); }

void TurnedRows(const TBitmap& source, int rotate, int first, int count, std::uint8_t* const* rows)
{
    const int w = source.Width();
    const int h = source.Height();
    switch (rotate) {
    case 1:
    case 3:
        QuarterTurnRows(source, rotate == 1, first, count, rows);
        break;
    case 2:
        for (int r = 0; r < count; ++r) {
            const std::uint8_t* in = source.Row(h - 1 - (first + r));
            std::uint8_t* out = rows[r];
            for (int x = 0; x < w; ++x)
                CopyPixel(out + 3 * static_cast<std::size_t>(x), in + 3 * static_cast<std::size_t>(w - 1 - x));
        }
        break;
    default:
        for (int r = 0; r < count; ++r)
            std::memcpy(rows[r], source.Row(first + r), 3 * static_cast<std::size_t>(w));
        break;
    }
}

BitmapPtr CloneBitmap(TBitmap& source) { return source.Clone(); }

BitmapPtr RotateClockwise(TBitmap& source) { return Turned(source, 1); }

BitmapPtr RotateCounterClockwise(TBitmap& source) { return Turned(source, 3); }

BitmapPtr RotateHalfTurn(TBitmap& source) { return Turned(source, 2); }

bool RotateHalfTurnInPlace(TBitmap& bitmap)
{
    if (!bitmap.SwitchTo24())
        return false;
    const int w = bitmap.Width();
    const int h = bitmap.Height();
    auto swap = [](std::uint8_t* a, std::uint8_t* b) {
        std::uint8_t t[3];
        std::memcpy(t, a, 3);
        std::memcpy(a, b, 3);
        std::memcpy(b, t, 3);
    };
    // Row y trades places with row H − 1 − y, each read backwards; the middle row of an odd
    // height is reversed on its own.
    for (int y = 0; y < h / 2; ++y) {
        std::uint8_t* top = bitmap.Row(y);
        std::uint8_t* bottom = bitmap.Row(h - 1 - y);
        for (int x = 0; x < w; ++x)
            swap(top + 3 * static_cast<std::size_t>(x), bottom + 3 * static_cast<std::size_t>(w - 1 - x));
    }
    if (h % 2) {
        std::uint8_t* middle = bitmap.Row(h / 2);
        for (int x = 0; x < w / 2; ++x)
            swap(middle + 3 * static_cast<std::size_t>(x), middle + 3 * static_cast<std::size_t>(w - 1 - x));
    }
    return true;
}

} // namespace korvo
