#include "model/Bitmap.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace korvo;

TEST(Bitmap, RefusesNegativeAndOversizedPictures)
{
    EXPECT_EQ(TBitmap::Create(-1, 5), nullptr);
    EXPECT_EQ(TBitmap::Create(65500, 65500), nullptr);
    EXPECT_EQ(TBitmap::Create(512'000'001, 1), nullptr);
    auto empty = TBitmap::Create(0, 7);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->Width(), 0);
    EXPECT_TRUE(empty->SwitchTo24());
    auto row = TBitmap::Create(5, 1);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->Stride(), 15u);
    EXPECT_FALSE(row->Reset(70000, 70000)); // refused: the bitmap keeps its size
    EXPECT_EQ(row->Width(), 5);
}

TEST(Bitmap, SwitchTo24KeepsWhatThePictureShows)
{
    auto indexed = TBitmap::Create(3, 2, PixelFormat::Indexed8);
    ASSERT_NE(indexed, nullptr);
    indexed->Palette()[0] = { 10, 20, 30 };
    indexed->Palette()[7] = { 1, 2, 3 };
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            indexed->Row(y)[x] = (x + y) % 2 ? 7 : 0;
    auto copy = indexed->Clone();
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Format(), PixelFormat::Indexed8); // a clone keeps the format

    ASSERT_TRUE(indexed->SwitchTo24());
    EXPECT_EQ(indexed->Format(), PixelFormat::Bgr24);
    EXPECT_EQ(indexed->Stride(), 9u);
    const std::uint8_t* r1 = indexed->Row(1);
    EXPECT_EQ(r1[0], 1); // (0,1) has index 7
    EXPECT_EQ(r1[2], 3);
    EXPECT_EQ(r1[3], 10); // (1,1) has index 0
    EXPECT_EQ(r1[5], 30);

    auto wide = TBitmap::Create(2, 2, PixelFormat::Bgra32);
    ASSERT_NE(wide, nullptr);
    for (int y = 0; y < 2; ++y)
        for (int i = 0; i < 8; ++i)
            wide->Row(y)[i] = static_cast<std::uint8_t>(y * 8 + i);
    ASSERT_TRUE(wide->SwitchTo24());
    EXPECT_EQ(wide->Stride(), 6u);
    const std::uint8_t expected0[] = { 0, 1, 2, 4, 5, 6 };
    const std::uint8_t expected1[] = { 8, 9, 10, 12, 13, 14 };
    EXPECT_EQ(0, std::memcmp(wide->Row(0), expected0, 6));
    EXPECT_EQ(0, std::memcmp(wide->Row(1), expected1, 6));
}

TEST(Bitmap, ResetReusesLargeEnoughMemory)
{
    auto bitmap = TBitmap::Create(100, 100);
    ASSERT_NE(bitmap, nullptr);
    const std::uint8_t* before = bitmap->Row(0);
    ASSERT_TRUE(bitmap->Reset(50, 60));
    EXPECT_EQ(bitmap->Row(0), before);
    EXPECT_EQ(bitmap->Width(), 50);
    EXPECT_EQ(bitmap->Row(1) - bitmap->Row(0), 150);
    bitmap->Fill(1, 2, 3);
    EXPECT_EQ(bitmap->Row(59)[149], 3);
}
