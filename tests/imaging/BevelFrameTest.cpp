#include "imaging/BevelFrame.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

using namespace korvo;
using namespace korvo::testing;

TEST(BevelFrame, BevelLightensTopAndLeftAndDarkensBottomAndRight)
{
    auto tiny = MakeUniform(4, 4, 100);
    AddBevelFrame(*tiny, 2); // 2 > 3 div 2: no edge
    EXPECT_TRUE(SamePixels(*tiny, *MakeUniform(4, 4, 100)));

    AddBevelFrame(*tiny, 1); // factor 1/2: light 255 − 155 / 2 = 178, dark 100 / 2 = 50
    const int L = 178, D = 50, M = 100;
    const int expected[4][4] = { { L, L, L, L }, { L, M, M, D }, { L, M, M, D }, { L, D, D, D } };
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(PixelAt(*tiny, x, y)[1], expected[y][x]) << x << "," << y;

    // Two rings: the outer one moves by 1/3, the inner one by 2/3 of the distance kept.
    auto six = MakeUniform(6, 6, 90);
    AddBevelFrame(*six, 2);
    EXPECT_EQ(PixelAt(*six, 2, 0)[0], 255 - 165 * 1 / 3);
    EXPECT_EQ(PixelAt(*six, 2, 1)[0], 255 - 165 * 2 / 3);
    EXPECT_EQ(PixelAt(*six, 5, 3)[0], 90 * 1 / 3);
    EXPECT_EQ(PixelAt(*six, 4, 3)[0], 90 * 2 / 3);
    EXPECT_EQ(PixelAt(*six, 4, 1)[0], 255 - 165 * 2 / 3); // inner ring's top-right corner is light
    EXPECT_EQ(PixelAt(*six, 3, 3)[0], 90);

    auto empty = TBitmap::Create(0, 0);
    AddBevelFrame(*empty, 1);
    AddBevelFrame(*six, 0);
}
