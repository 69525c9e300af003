#include "imaging/RotateBMP.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

using namespace korvo;
using namespace korvo::testing;

namespace {

using Pixel = std::array<std::uint8_t, 3>;

// Blue and green carry x and y, red a checksum of both.
Pixel Marker(int x, int y)
{
    return { static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), static_cast<std::uint8_t>(x * 7 + y * 13) };
}

} // namespace

TEST(Rotate, MovesEveryPixelToItsTurnedPlace)
{
    // Larger than one tile of the quarter turns in both directions, with partial tiles.
    const int w = 150;
    const int h = 71;
    auto source = MakeBitmap(w, h, Marker);

    auto cw = RotateClockwise(*source);
    ASSERT_EQ(cw->Width(), h);
    ASSERT_EQ(cw->Height(), w);
    auto ccw = RotateCounterClockwise(*source);
    ASSERT_EQ(ccw->Width(), h);
    ASSERT_EQ(ccw->Height(), w);
    auto half = RotateHalfTurn(*source);
    ASSERT_EQ(half->Width(), w);
    for (int y = 0; y < w; ++y)
        for (int x = 0; x < h; ++x) {
            ASSERT_EQ(PixelAt(*cw, x, y), Marker(y, h - 1 - x));
            ASSERT_EQ(PixelAt(*ccw, x, y), Marker(w - 1 - y, x));
        }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            ASSERT_EQ(PixelAt(*half, x, y), Marker(w - 1 - x, h - 1 - y));
    // The source's top-left pixel lands top-right (clockwise) and bottom-left (counter-clockwise).
    EXPECT_EQ(PixelAt(*cw, h - 1, 0), Marker(0, 0));
    EXPECT_EQ(PixelAt(*ccw, 0, w - 1), Marker(0, 0));

    EXPECT_TRUE(SamePixels(*RotateCounterClockwise(*cw), *source));
    EXPECT_TRUE(SamePixels(*RotateHalfTurn(*half), *source));

    // In place, with an odd and an even number of rows and columns.
    for (int rows : { h, h + 1 }) {
        auto picture = MakeBitmap(w + rows % 2, rows, Marker);
        auto expected = RotateHalfTurn(*picture);
        ASSERT_TRUE(RotateHalfTurnInPlace(*picture));
        EXPECT_TRUE(SamePixels(*picture, *expected)) << rows;
    }
}

TEST(Rotate, SingleRowAndSinglePixel)
{
    auto row = MakeBitmap(5, 1, Marker);
    auto cw = RotateClockwise(*row);
    ASSERT_EQ(cw->Width(), 1);
    ASSERT_EQ(cw->Height(), 5);
    EXPECT_EQ(PixelAt(*cw, 0, 0), Marker(0, 0)); // leftmost on top
    auto ccw = RotateCounterClockwise(*row);
    EXPECT_EQ(PixelAt(*ccw, 0, 0), Marker(4, 0)); // rightmost on top
    auto half = RotateHalfTurn(*row);
    for (int x = 0; x < 5; ++x)
        EXPECT_EQ(PixelAt(*half, x, 0), Marker(4 - x, 0));

    auto dot = MakeBitmap(1, 1, Marker);
    for (auto* turn : { &RotateClockwise, &RotateHalfTurn, &RotateCounterClockwise, &CloneBitmap })
        EXPECT_TRUE(SamePixels(*turn(*dot), *dot));
}

TEST(Rotate, CloneKeepsThePaletteFormatWhileTurnsGive24Bits)
{
    auto indexed = TBitmap::Create(3, 2, PixelFormat::Indexed8);
    indexed->Palette()[4] = { 1, 2, 3 };
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            indexed->Row(y)[x] = static_cast<std::uint8_t>(x == 0 ? 4 : 0);
    auto clone = CloneBitmap(*indexed);
    EXPECT_EQ(clone->Format(), PixelFormat::Indexed8);
    EXPECT_EQ(clone->Row(1)[0], 4);
    EXPECT_EQ(clone->Palette()[4].Red, 3);
    EXPECT_EQ(indexed->Format(), PixelFormat::Indexed8); // cloning converts nothing

    auto turned = RotateClockwise(*indexed);
    EXPECT_EQ(turned->Format(), PixelFormat::Bgr24);
    EXPECT_EQ(indexed->Format(), PixelFormat::Bgr24); // the source was switched in place
    EXPECT_EQ(PixelAt(*turned, 0, 0), (Pixel { 1, 2, 3 })); // source (0, 1)
    EXPECT_EQ(PixelAt(*turned, 1, 2), (Pixel { 0, 0, 0 }));
}
