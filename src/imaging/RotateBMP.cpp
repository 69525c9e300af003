#include "imaging/RotateBMP.h"

#include <algorithm>
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

    // Result rows first … first + count − 1 of a quarter turn. Clockwise: D(x, y) = S(y, H − 1 − x),
    // so result row r is source column r read bottom to top. Counter-clockwise:
    // D(x, y) = S(W − 1 − y, x), so result row r is source column W − 1 − r read top to bottom.
    void QuarterTurnRows(const TBitmap& source, bool clockwise, int first, int count, std::uint8_t* const* rows)
    {
        const int h = source.Height();
        for (int y0 = 0; y0 < h; y0 += Tile) {
            const int y1 = std::min(h, y0 + Tile);
            for (int r = 0; r < count; ++r) {
                const int column = clockwise ? first + r : source.Width() - 1 - (first + r);
                std::uint8_t* out = rows[r];
                const std::uint8_t* in = source.Row(0) + 3 * static_cast<std::size_t>(column);
                const std::size_t stride = source.Stride();
                for (int sy = y0; sy < y1; ++sy)
                    CopyPixel(out + 3 * static_cast<std::size_t>(clockwise ? h - 1 - sy : sy), in + sy * stride);
            }
        }
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
