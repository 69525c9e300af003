#include "imaging/MedianFilter.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace korvo;
using namespace korvo::testing;

namespace {

using Pixel = std::array<std::uint8_t, 3>;

} // namespace

TEST(MedianFilter, MedianRemovesVerticalLinesAndKeepsHorizontalOnes)
{
    auto uniform = MakeUniform(9, 4, 77);
    ApplyMedianFilter(*uniform);
    EXPECT_TRUE(SamePixels(*uniform, *MakeUniform(9, 4, 77)));

    auto vertical = MakeBitmap(9, 4, [](int x, int) {
        return x == 4 ? Pixel { 255, 255, 255 } : Pixel { 20, 30, 40 };
    });
    ApplyMedianFilter(*vertical);
    EXPECT_TRUE(SamePixels(*vertical, *MakeBitmap(9, 4, [](int, int) { return Pixel { 20, 30, 40 }; })));

    auto horizontal = MakeBitmap(9, 4, [](int, int y) {
        return y == 2 ? Pixel { 255, 255, 255 } : Pixel { 20, 30, 40 };
    });
    auto before = horizontal->Clone();
    ApplyMedianFilter(*horizontal);
    EXPECT_TRUE(SamePixels(*horizontal, *before));

    // Channel by channel, from unfiltered neighbours; the end columns stay.
    auto row = MakeBitmap(5, 1, [](int x, int) {
        const std::uint8_t values[5] = { 9, 200, 0, 200, 50 };
        return Pixel { values[x], static_cast<std::uint8_t>(10 * x), 1 };
    });
    ApplyMedianFilter(*row);
    const std::uint8_t blue[5] = { 9, 9, 200, 50, 50 };
    for (int x = 0; x < 5; ++x) {
        EXPECT_EQ(PixelAt(*row, x, 0)[0], blue[x]) << x;
        EXPECT_EQ(PixelAt(*row, x, 0)[1], 10 * x);
    }

    auto narrow = MakeBitmap(2, 2, [](int x, int) { return Pixel { static_cast<std::uint8_t>(x * 99), 0, 0 }; });
    ApplyMedianFilter(*narrow);
    EXPECT_EQ(PixelAt(*narrow, 1, 1)[0], 99);
}

TEST(MedianFilter, MedianOfLongRowsMatchesTheDefinition)
{
    // Rows of many thousand bytes are filtered in pieces; the seams must not show.
    std::minstd_rand random(3);
    auto picture = MakeBitmap(3001, 3, [&](int, int) {
        return Pixel { static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
            static_cast<std::uint8_t>(random()) };
    });
    auto original = picture->Clone();
    ApplyMedianFilter(*picture);
    for (int y = 0; y < 3; ++y)
        for (std::size_t k = 0; k < 3 * 3001; ++k) {
            const std::uint8_t* in = original->Row(y);
            std::uint8_t want = in[k];
            if (k >= 3 && k + 3 < 3 * 3001) {
                std::uint8_t v[3] = { in[k - 3], in[k], in[k + 3] };
                std::sort(v, v + 3);
                want = v[1];
            }
            ASSERT_EQ(picture->Row(y)[k], want) << y << " " << k;
        }
}
