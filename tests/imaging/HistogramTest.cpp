#include "imaging/Histogram.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

using namespace korvo;
using namespace korvo::testing;

namespace {
using Pixel = std::array<std::uint8_t, 3>;
}

TEST(Equalize, SingleColourStaysInRgbModeAndSpreadsInGrayMode)
{
    auto rgb = MakeBitmap(4, 3, [](int, int) { return Pixel { 30, 20, 10 }; });
    EqualizeBitmap(*rgb, true, 0.02);
    EXPECT_EQ(PixelAt(*rgb, 2, 1), (Pixel { 30, 20, 10 }));

    // Red 10, green 20, blue 30 in one histogram: Low 10, Range 20.
    auto gray = MakeBitmap(4, 3, [](int, int) { return Pixel { 30, 20, 10 }; });
    EqualizeBitmap(*gray, false, 0.0);
    EXPECT_EQ(PixelAt(*gray, 3, 2), (Pixel { 255, 137, 10 }));

    // A neutral grey alone stays unchanged in Gray mode too.
    auto neutral = MakeBitmap(2, 2, [](int, int) { return Pixel { 77, 77, 77 }; });
    EqualizeBitmap(*neutral, false, 0.3);
    EXPECT_EQ(PixelAt(*neutral, 1, 1), (Pixel { 77, 77, 77 }));
}

TEST(Equalize, StretchesFromTheLowerCutPointWhichKeepsItsValue)
{
    // Samples 50 … 200 in every channel: Low 50, High 200, Range 150.
    auto ramp = MakeBitmap(151, 1, [](int x, int) {
        const auto v = static_cast<std::uint8_t>(50 + x);
        return Pixel { v, v, v };
    });
    EqualizeBitmap(*ramp, true, 0.0);
    EXPECT_EQ(PixelAt(*ramp, 0, 0)[0], 50);
    EXPECT_EQ(PixelAt(*ramp, 75, 0)[1], 177); // 125: 50 + 19125 / 150
    EXPECT_EQ(PixelAt(*ramp, 120, 0)[2], 254); // 170
    for (int x = 121; x <= 150; ++x)
        EXPECT_EQ(PixelAt(*ramp, x, 0)[0], 255) << 50 + x;

    // RGB mode: a full red channel stays, narrow green and blue channels stretch on their own.
    auto mixed = MakeBitmap(256, 1, [](int x, int) {
        return Pixel { static_cast<std::uint8_t>(100 + x % 11), static_cast<std::uint8_t>(40 + x % 21),
            static_cast<std::uint8_t>(x) };
    });
    EqualizeBitmap(*mixed, true, 0.0);
    for (int x = 0; x < 256; ++x) {
        const Pixel p = PixelAt(*mixed, x, 0);
        ASSERT_EQ(p[2], x);
        ASSERT_EQ(p[1], std::min(255, 40 + (x % 21) * 255 / 20));
        ASSERT_EQ(p[0], std::min(255, 100 + (x % 11) * 255 / 10));
    }
}

TEST(Equalize, GrayModeUsesOneMappingForAllChannels)
{
    auto picture = MakeBitmap(2, 1, [](int x, int) { return x ? Pixel { 100, 100, 100 } : Pixel { 0, 50, 200 }; });
    // One histogram over 0, 50, 200 and three times 100: Low 0, High 200, Range 200.
    EqualizeBitmap(*picture, false, 0.0);
    EXPECT_EQ(PixelAt(*picture, 0, 0), (Pixel { 0, 63, 255 }));
    EXPECT_EQ(PixelAt(*picture, 1, 0), (Pixel { 127, 127, 127 }));
}

TEST(Equalize, CutPointsFollowTheStrengthAndMayCross)
{
    // 100 pixels: values 0 … 99 in blue. Strength 0.02 gives Cut 2: more than 2 samples at
    // or below Low means Low 2, likewise High 97.
    auto ramp = MakeBitmap(100, 1, [](int x, int) { return Pixel { static_cast<std::uint8_t>(x), 0, 0 }; });
    EqualizeBitmap(*ramp, true, 0.02);
    EXPECT_EQ(PixelAt(*ramp, 1, 0)[0], 0); // 2 + (−1 × 255) / 95 = 0 after truncation toward zero
    EXPECT_EQ(PixelAt(*ramp, 2, 0)[0], 2);
    EXPECT_EQ(PixelAt(*ramp, 50, 0)[0], 2 + 48 * 255 / 95);
    EXPECT_EQ(PixelAt(*ramp, 97, 0)[0], 255);

    // Half 0, half 255 with Strength 0.5: Cut is exactly half the samples, so Low 255 and
    // High 0; Range −255 maps every sample to 255.
    auto split = MakeBitmap(4, 2, [](int x, int) { return x < 2 ? Pixel { 0, 0, 0 } : Pixel { 255, 255, 255 }; });
    EqualizeBitmap(*split, true, 0.5);
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(PixelAt(*split, x, 1), (Pixel { 255, 255, 255 }));

    // An empty picture and a palette picture are handled without complaint.
    auto empty = TBitmap::Create(0, 0);
    EqualizeBitmap(*empty, false, 0.02);
    auto indexed = TBitmap::Create(1, 1, PixelFormat::Indexed8);
    indexed->Row(0)[0] = 0;
    EqualizeBitmap(*indexed, true, 0.0);
    EXPECT_EQ(indexed->Format(), PixelFormat::Bgr24);
}
