#include "imaging/BevelFrame.h"

#include <array>
#include <cstdint>

namespace korvo {

void AddBevelFrame(TBitmap& bitmap, int edgeWidth)
{
    if (!bitmap.SwitchTo24())
        return;
    const int w1 = bitmap.Width() - 1;
    const int h1 = bitmap.Height() - 1;
    const int n = edgeWidth;
    if (n < 1 || n > w1 / 2 || n > h1 / 2)
        return;
    const int d = n + 1;
    for (int i = 0; i < n; ++i) {
        const int k = i + 1;
        std::array<std::uint8_t, 256> light;
        std::array<std::uint8_t, 256> dark;
        for (int v = 0; v < 256; ++v) {
            light[v] = static_cast<std::uint8_t>(255 - (255 - v) * k / d);
            dark[v] = static_cast<std::uint8_t>(v * k / d);
        }
        auto apply = [](std::uint8_t* px, const std::array<std::uint8_t, 256>& table) {
            px[0] = table[px[0]];
            px[1] = table[px[1]];
            px[2] = table[px[2]];
        };
        // Top edge, corners at both ends included.
        std::uint8_t* top = bitmap.Row(i);
        for (int x = i; x <= w1 - i; ++x)
            apply(top + 3 * x, light);
        // Left edge down to the bottom-left corner.
        for (int y = i + 1; y <= h1 - i; ++y)
            apply(bitmap.Row(y) + 3 * i, light);
        // Bottom edge from beside that corner, bottom-right corner included.
        std::uint8_t* bottom = bitmap.Row(h1 - i);
        for (int x = i + 1; x <= w1 - i; ++x)
            apply(bottom + 3 * x, dark);
        // Right edge between the two corners.
        for (int y = i + 1; y <= h1 - i - 1; ++y)
            apply(bitmap.Row(y) + 3 * (w1 - i), dark);
    }
}

} // namespace korvo
