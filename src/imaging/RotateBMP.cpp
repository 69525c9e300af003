#include "imaging/RotateBMP.h"

#include <algorithm>
#include <cstring>

namespace korvo {

namespace {

    // Quarter turns move columns into rows. Walking one source column down the whole picture
    // touches a new cache line at every pixel, so the work goes in square tiles of Tile × Tile
    // pixels: the tile's source rows and the result rows it fills both stay in the first-level
    // cache while it is moved.
    constexpr int Tile = 64;

    BitmapPtr QuarterTurn(TBitmap& source, bool clockwise)
    {
        if (!source.SwitchTo24())
            return nullptr;
        const int w = source.Width();
        const int h = source.Height();
        BitmapPtr result = TBitmap::Create(h, w, PixelFormat::Bgr24);
        if (!result)
            return nullptr;
        for (int y0 = 0; y0 < h; y0 += Tile) {
            const int y1 = std::min(h, y0 + Tile);
            for (int c0 = 0; c0 < w; c0 += Tile) {
                const int c1 = std::min(w, c0 + Tile);
                for (int sy = y0; sy < y1; ++sy) {
                    const std::uint8_t* in = source.Row(sy);
                    // Clockwise: D(x, y) = S(y, H − 1 − x), so source (c, sy) goes to result
                    // row c, column H − 1 − sy. Counter-clockwise: D(x, y) = S(W − 1 − y, x), so
                    // it goes to result row W − 1 − c, column sy.
                    const std::size_t column = 3 * static_cast<std::size_t>(clockwise ? h - 1 - sy : sy);
                    for (int c = c0; c < c1; ++c) {
                        std::uint8_t* out = result->Row(clockwise ? c : w - 1 - c) + column;
                        std::memcpy(out, in + 3 * static_cast<std::size_t>(c), 3);
                    }
                }
            }
        }
        return result;
    }

} // namespace

BitmapPtr CloneBitmap(TBitmap& source) { return source.Clone(); }

BitmapPtr RotateClockwise(TBitmap& source) { return QuarterTurn(source, true); }

BitmapPtr RotateCounterClockwise(TBitmap& source) { return QuarterTurn(source, false); }

BitmapPtr RotateHalfTurn(TBitmap& source)
{
    if (!source.SwitchTo24())
        return nullptr;
    const int w = source.Width();
    const int h = source.Height();
    BitmapPtr result = TBitmap::Create(w, h, PixelFormat::Bgr24);
    if (!result)
        return nullptr;
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* in = source.Row(y);
        std::uint8_t* out = result->Row(h - 1 - y);
        for (int x = 0; x < w; ++x) {
            const std::uint8_t* px = in + 3 * static_cast<std::size_t>(w - 1 - x);
            out[3 * x + 0] = px[0];
            out[3 * x + 1] = px[1];
            out[3 * x + 2] = px[2];
        }
    }
    return result;
}

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
