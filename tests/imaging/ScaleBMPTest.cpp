#include "imaging/ScaleBMP.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

using namespace korvo;
using namespace korvo::testing;

namespace {

using Pixel = std::array<std::uint8_t, 3>;

BitmapPtr Row(const std::vector<Pixel>& pixels)
{
    return MakeBitmap(static_cast<int>(pixels.size()), 1, [&](int x, int) { return pixels[x]; });
}

BitmapPtr Scaled(TBitmap& source, int width, int height)
{
    BitmapPtr dest = TBitmap::Create(width, height);
    ScaleBitmap(&source, dest.get());
    return dest;
}

// The resampler written out step by step as described: the box walk afresh for every row
// and pixel, no tables, no row cache. The library must agree with it bit for bit.
std::vector<float> LiteralRow(const TBitmap& source, int y, int dw)
{
    const int sw = source.Width();
    const std::uint8_t* r = source.Row(y);
    std::vector<float> out(3 * static_cast<std::size_t>(dw));
    if (dw == sw) {
        for (int k = 0; k < 3 * sw; ++k)
            out[k] = r[k];
    } else if (dw < sw) {
        const float ratio = static_cast<float>(sw) / static_cast<float>(dw);
        float left = 0.0f;
        for (int x = 0; x < dw; ++x) {
            const float right = static_cast<float>(x + 1) * ratio;
            float cur = left;
            float sums[3] = { 0, 0, 0 };
            float weights = 0;
            bool last = false;
            do {
                const int g = static_cast<int>(cur);
                float next = static_cast<float>(g + 1);
                if (next >= right) {
                    next = right;
                    last = true;
                }
                const float w = next - cur;
                if (w > 0.001 && g < sw) {
                    for (int c = 0; c < 3; ++c)
                        sums[c] += w * static_cast<float>(r[3 * g + c]);
                    weights += w;
                }
                cur = next;
            } while (!last);
            for (int c = 0; c < 3; ++c)
                out[3 * x + c] = sums[c] / weights;
            left = right;
        }
    } else {
        const float ratio = static_cast<float>(sw - 1) / static_cast<float>(dw - 1);
        for (int x = 0; x < dw; ++x) {
            const float p = static_cast<float>(x) * ratio;
            const int i = static_cast<int>(p);
            for (int c = 0; c < 3; ++c) {
                if (p == static_cast<float>(i) || i + 1 >= sw) {
                    out[3 * x + c] = r[3 * i + c];
                } else {
                    const float f = p - static_cast<float>(i);
                    out[3 * x + c]
                        = (1.0f - f) * static_cast<float>(r[3 * i + c]) + f * static_cast<float>(r[3 * (i + 1) + c]);
                }
            }
        }
    }
    return out;
}

void LiteralOutput(const std::vector<float>& values, float divisor, std::uint8_t* out)
{
    for (std::size_t k = 0; k < values.size(); ++k) {
        const float r = divisor == 1.0f ? values[k] : values[k] / divisor;
        const double rounded = std::nearbyint(r);
        out[k] = static_cast<std::uint8_t>(rounded < 0 ? 0 : rounded > 255 ? 255 : rounded);
    }
}

BitmapPtr LiteralScale(const TBitmap& source, int dw, int dh)
{
    const int sh = source.Height();
    BitmapPtr dest = TBitmap::Create(dw, dh);
    const std::size_t n = 3 * static_cast<std::size_t>(dw);
    if (dh == sh) {
        for (int y = 0; y < dh; ++y)
            LiteralOutput(LiteralRow(source, y, dw), 1.0f, dest->Row(y));
    } else if (dh < sh) {
        const float ratio = static_cast<float>(sh) / static_cast<float>(dh);
        float left = 0.0f;
        for (int y = 0; y < dh; ++y) {
            const float right = static_cast<float>(y + 1) * ratio;
            std::vector<float> acc(n, 0.0f);
            float weights = 0;
            float cur = left;
            bool last = false;
            do {
                const int g = static_cast<int>(cur);
                float next = static_cast<float>(g + 1);
                if (next >= right) {
                    next = right;
                    last = true;
                }
                const float w = next - cur;
                if (w > 0.001 && g < sh) {
                    const std::vector<float> row = LiteralRow(source, g, dw);
                    for (std::size_t k = 0; k < n; ++k)
                        acc[k] += row[k] * w;
                    weights += w;
                }
                cur = next;
            } while (!last);
            LiteralOutput(acc, weights, dest->Row(y));
            left = right;
        }
    } else {
        const float ratio = static_cast<float>(sh - 1) / static_cast<float>(dh - 1);
        for (int y = 0; y < dh; ++y) {
            const float p = static_cast<float>(y) * ratio;
            const int i = static_cast<int>(p);
            if (p == static_cast<float>(i) || i + 1 >= sh) {
                LiteralOutput(LiteralRow(source, i, dw), 1.0f, dest->Row(y));
                continue;
            }
            const float f = p - static_cast<float>(i);
            const float keep = 1.0f - f;
            std::vector<float> acc = LiteralRow(source, i, dw);
            for (float& v : acc)
                v = v * keep;
            const std::vector<float> lower = LiteralRow(source, i + 1, dw);
            for (std::size_t k = 0; k < n; ++k)
                acc[k] += lower[k] * f;
            LiteralOutput(acc, 1.0f, dest->Row(y));
        }
    }
    return dest;
}

} // namespace

TEST(ScaleBitmap, SameSizeCopiesAndOneChangedDirectionOnlyAveragesThatWay)
{
    auto photo = MakePhoto(7, 5);
    auto copy = Scaled(*photo, 7, 5);
    EXPECT_TRUE(SamePixels(*photo, *copy));

    // Same width, half the height: columns untouched, rows averaged pairwise.
    auto tall = MakeBitmap(2, 4, [](int x, int y) {
        return Pixel { static_cast<std::uint8_t>(10 * y + x), static_cast<std::uint8_t>(x ? 200 : 0), 7 };
    });
    auto shorter = Scaled(*tall, 2, 2);
    EXPECT_EQ(PixelAt(*shorter, 0, 0), (Pixel { 5, 0, 7 })); // (0 + 10) / 2
    EXPECT_EQ(PixelAt(*shorter, 1, 0), (Pixel { 6, 200, 7 })); // (1 + 11) / 2
    EXPECT_EQ(PixelAt(*shorter, 0, 1), (Pixel { 25, 0, 7 }));
    EXPECT_EQ(PixelAt(*shorter, 1, 1), (Pixel { 26, 200, 7 }));

    // Same height, half the width: the transposed case.
    auto wide = MakeBitmap(4, 2, [](int x, int y) { return Pixel { static_cast<std::uint8_t>(10 * x + y), 1, 2 }; });
    auto narrower = Scaled(*wide, 2, 2);
    EXPECT_EQ(PixelAt(*narrower, 0, 1), (Pixel { 6, 1, 2 })); // (1 + 11) / 2
    EXPECT_EQ(PixelAt(*narrower, 1, 0), (Pixel { 25, 1, 2 }));
}

TEST(ScaleBitmap, IntegerFactorGivesBlockMeansWithHalvesToEven)
{
    std::minstd_rand random(7);
    auto source = MakeBitmap(9, 6, [&](int, int) {
        return Pixel { static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
            static_cast<std::uint8_t>(random()) };
    });
    auto dest = Scaled(*source, 3, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int j = 0; j < 3; ++j)
                    for (int i = 0; i < 3; ++i)
                        sum += PixelAt(*source, 3 * x + i, 3 * y + j)[c];
                EXPECT_EQ(dest->Row(y)[3 * x + c], static_cast<int>(std::nearbyint(sum / 9.0))) << x << "," << y;
            }

    // Means of exactly 2.5 and 3.5 go to the even neighbours 2 and 4.
    auto pair = Row({ { 2, 3, 5 }, { 3, 4, 6 } });
    EXPECT_EQ(PixelAt(*Scaled(*pair, 1, 1), 0, 0), (Pixel { 2, 4, 6 })); // 2.5, 3.5, 5.5
}

TEST(ScaleBitmap, ThreeToTwoWeighsTheMiddlePixelHalfAndTwoToThreeInterpolates)
{
    auto three = Row({ { 10, 30, 0 }, { 20, 60, 255 }, { 40, 90, 255 } });
    auto two = Scaled(*three, 2, 1);
    // (S0 + 0.5 S1) / 1.5 and (0.5 S1 + S2) / 1.5
    EXPECT_EQ(PixelAt(*two, 0, 0), (Pixel { 13, 40, 85 }));
    EXPECT_EQ(PixelAt(*two, 1, 0), (Pixel { 33, 80, 255 }));

    auto pair = Row({ { 10, 10, 0 }, { 21, 19, 255 } });
    auto stretched = Scaled(*pair, 3, 1);
    EXPECT_EQ(PixelAt(*stretched, 0, 0), (Pixel { 10, 10, 0 }));
    EXPECT_EQ(PixelAt(*stretched, 1, 0), (Pixel { 16, 14, 128 })); // 15.5, 14.5, 127.5
    EXPECT_EQ(PixelAt(*stretched, 2, 0), (Pixel { 21, 19, 255 }));

    // One source pixel: ratio 0, every destination pixel is that pixel, in both directions.
    auto single = Row({ { 1, 2, 3 } });
    auto big = Scaled(*single, 4, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(PixelAt(*big, x, y), (Pixel { 1, 2, 3 }));
}

TEST(ScaleBitmap, AgreesBitForBitWithTheStepByStepWalk)
{
    std::minstd_rand random(99);
    auto check = [](const TBitmap& source, int dw, int dh) {
        BitmapPtr copy = source.Clone();
        BitmapPtr dest = TBitmap::Create(dw, dh);
        ScaleBitmap(copy.get(), dest.get());
        BitmapPtr expected = LiteralScale(source, dw, dh);
        ASSERT_TRUE(SamePixels(*dest, *expected))
            << source.Width() << "x" << source.Height() << " -> " << dw << "x" << dh;
    };
    for (int round = 0; round < 150; ++round) {
        const int sw = 1 + static_cast<int>(random() % 37);
        const int sh = 1 + static_cast<int>(random() % 29);
        auto source = MakeBitmap(sw, sh, [&](int, int) {
            return Pixel { static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
                static_cast<std::uint8_t>(random()) };
        });
        check(*source, 1 + static_cast<int>(random() % 53), 1 + static_cast<int>(random() % 41));
    }
    // Ratios whose float intervals leave slivers at their ends.
    auto photo = MakePhoto(1001, 37);
    check(*photo, 333, 7);
    check(*photo, 640, 11);
    check(*photo, 97, 36);
    check(*photo, 1003, 40);
}

TEST(ScaleBitmap, FailsBeforeWritingWhenARatioDividesByZeroOrTheSourceIsEmpty)
{
    auto source = MakePhoto(4, 3);
    EXPECT_NO_THROW(ScaleBitmap(nullptr, source.get()));
    EXPECT_NO_THROW(ScaleBitmap(source.get(), nullptr));

    auto noWidth = TBitmap::Create(0, 3);
    EXPECT_THROW(ScaleBitmap(source.get(), noWidth.get()), TScaleError);
    auto noHeight = TBitmap::Create(2, 0);
    EXPECT_THROW(ScaleBitmap(source.get(), noHeight.get()), std::domain_error);

    // A source of width 0 into width 1: (0 − 1) / (1 − 1). The marked pixels stay untouched.
    auto empty = TBitmap::Create(0, 5);
    auto marked = TBitmap::Create(1, 5);
    marked->Fill(9, 9, 9);
    EXPECT_THROW(ScaleBitmap(empty.get(), marked.get()), TScaleError);
    // An empty source into a larger picture has nothing to sample.
    auto larger = TBitmap::Create(3, 5);
    larger->Fill(9, 9, 9);
    EXPECT_THROW(ScaleBitmap(empty.get(), larger.get()), TScaleError);
    for (int y = 0; y < 5; ++y) {
        EXPECT_EQ(PixelAt(*marked, 0, y), (Pixel { 9, 9, 9 }));
        EXPECT_EQ(PixelAt(*larger, 2, y), (Pixel { 9, 9, 9 }));
    }
}

TEST(ScaleBitmap, SwitchesBothBitmapsTo24Bits)
{
    auto indexed = TBitmap::Create(4, 2, PixelFormat::Indexed8);
    indexed->Palette()[1] = { 100, 150, 200 };
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            indexed->Row(y)[x] = static_cast<std::uint8_t>(x % 2);
    auto dest = TBitmap::Create(2, 1, PixelFormat::Bgra32);
    ScaleBitmap(indexed.get(), dest.get());
    EXPECT_EQ(indexed->Format(), PixelFormat::Bgr24);
    EXPECT_EQ(dest->Format(), PixelFormat::Bgr24);
    EXPECT_EQ(PixelAt(*indexed, 1, 1), (Pixel { 100, 150, 200 }));
    EXPECT_EQ(PixelAt(*dest, 0, 0), (Pixel { 50, 75, 100 }));
}
