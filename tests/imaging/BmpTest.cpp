#include "imaging/Bmp.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

using namespace korvo;
using namespace korvo::testing;

namespace {

using Pixel = std::array<std::uint8_t, 3>;

BitmapPtr Read(const Bytes& bytes) { return ReadBmpMemory(bytes.data(), bytes.size()); }

Pixel Colour(int i)
{
    return { static_cast<std::uint8_t>(i * 16), static_cast<std::uint8_t>(255 - i * 8),
        static_cast<std::uint8_t>(i * 5 + 1) };
}

// A palette picture of 5 × 3 pixels whose index at (x, y) is (x + 2y) mod colours.
TBmpPlan PalettePlan(int bits, int colours)
{
    TBmpPlan plan;
    plan.Width = 5;
    plan.Height = 3;
    plan.Bits = bits;
    for (int i = 0; i < colours; ++i)
        plan.Palette.push_back(Colour(i));
    for (int y = 0; y < 3; ++y) {
        plan.Rows.emplace_back();
        for (int x = 0; x < 5; ++x)
            plan.Rows.back().push_back(static_cast<std::uint32_t>((x + 2 * y) % colours));
    }
    return plan;
}

// A true-colour picture of 5 × 3 pixels; `pack` turns blue, green, red into the file's word.
TBmpPlan TrueColourPlan(int bits, const std::function<std::uint32_t(Pixel)>& pack)
{
    TBmpPlan plan;
    plan.Width = 5;
    plan.Height = 3;
    plan.Bits = bits;
    for (int y = 0; y < 3; ++y) {
        plan.Rows.emplace_back();
        for (int x = 0; x < 5; ++x)
            plan.Rows.back().push_back(pack(Colour(x + 5 * y)));
    }
    return plan;
}

std::uint32_t Bgr(Pixel p) { return p[0] | (p[1] << 8) | (p[2] << 16); }

void ExpectPalettePicture(BitmapPtr bitmap, int colours, const char* what)
{
    ASSERT_NE(bitmap, nullptr) << what;
    EXPECT_EQ(bitmap->Format(), PixelFormat::Indexed8) << what;
    ASSERT_TRUE(bitmap->SwitchTo24());
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            ASSERT_EQ(PixelAt(*bitmap, x, y), Colour((x + 2 * y) % colours)) << what << " " << x << "," << y;
}

void ExpectTrueColourPicture(BitmapPtr bitmap, PixelFormat format, int tolerance, const char* what)
{
    ASSERT_NE(bitmap, nullptr) << what;
    EXPECT_EQ(bitmap->Format(), format) << what;
    ASSERT_TRUE(bitmap->SwitchTo24());
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            for (int c = 0; c < 3; ++c)
                ASSERT_NEAR(PixelAt(*bitmap, x, y)[c], Colour(x + 5 * y)[c], tolerance) << what << " " << x << "," << y;
}

} // namespace

TEST(Bmp, ReadsPaletteFilesOfEveryDepthAndHeader)
{
    ExpectPalettePicture(Read(BuildBmp(PalettePlan(1, 2))), 2, "1 bit");
    ExpectPalettePicture(Read(BuildBmp(PalettePlan(4, 16))), 16, "4 bits");
    ExpectPalettePicture(Read(BuildBmp(PalettePlan(8, 7))), 7, "8 bits, 7 colours used");
    TBmpPlan core = PalettePlan(8, 256);
    core.HeaderSize = 12;
    ExpectPalettePicture(Read(BuildBmp(core)), 256, "core header");
    TBmpPlan topDown = PalettePlan(4, 9);
    topDown.TopDown = true;
    ExpectPalettePicture(Read(BuildBmp(topDown)), 9, "top-down");
    TBmpPlan v5 = PalettePlan(8, 30);
    v5.HeaderSize = 124;
    ExpectPalettePicture(Read(BuildBmp(v5)), 30, "version 5 header");

    // An index beyond the stored palette reads as black.
    TBmpPlan short_ = PalettePlan(8, 4);
    short_.Rows[0][0] = 200;
    auto bitmap = Read(BuildBmp(short_));
    ASSERT_NE(bitmap, nullptr);
    ASSERT_TRUE(bitmap->SwitchTo24());
    EXPECT_EQ(PixelAt(*bitmap, 0, 0), (Pixel { 0, 0, 0 }));
}

TEST(Bmp, ReadsTrueColourFilesWithAndWithoutMasks)
{
    ExpectTrueColourPicture(Read(BuildBmp(TrueColourPlan(24, Bgr))), PixelFormat::Bgr24, 0, "24 bits");
    TBmpPlan core = TrueColourPlan(24, Bgr);
    core.HeaderSize = 12;
    ExpectTrueColourPicture(Read(BuildBmp(core)), PixelFormat::Bgr24, 0, "24 bits, core header");
    TBmpPlan v4 = TrueColourPlan(24, Bgr);
    v4.HeaderSize = 108;
    v4.TopDown = true;
    ExpectTrueColourPicture(Read(BuildBmp(v4)), PixelFormat::Bgr24, 0, "24 bits, version 4, top-down");
    ExpectTrueColourPicture(Read(BuildBmp(TrueColourPlan(32, Bgr))), PixelFormat::Bgra32, 0, "32 bits");

    // 16 bits: 5 bits per channel by default, any masks with bit fields.
    auto rgb555 = [](Pixel p) { return static_cast<std::uint32_t>((p[2] >> 3) << 10 | (p[1] >> 3) << 5 | p[0] >> 3); };
    ExpectTrueColourPicture(Read(BuildBmp(TrueColourPlan(16, rgb555))), PixelFormat::Bgr24, 8, "16 bits");
    TBmpPlan rgb565 = TrueColourPlan(
        16, [](Pixel p) { return static_cast<std::uint32_t>((p[2] >> 3) << 11 | (p[1] >> 2) << 5 | p[0] >> 3); });
    rgb565.Compression = 3;
    rgb565.Masks = { 0xF800, 0x07E0, 0x001F };
    ExpectTrueColourPicture(Read(BuildBmp(rgb565)), PixelFormat::Bgr24, 8, "16 bits, 5-6-5 masks");

    // 32 bits with masks in unusual places: red in the low byte, behind a 40-byte header
    // and inside a version 5 header.
    auto rgbx = [](Pixel p) { return static_cast<std::uint32_t>(p[2] | p[1] << 8 | p[0] << 16 | 0xFFu << 24); };
    TBmpPlan fields = TrueColourPlan(32, rgbx);
    fields.Compression = 3;
    fields.Masks = { 0x000000FF, 0x0000FF00, 0x00FF0000 };
    ExpectTrueColourPicture(Read(BuildBmp(fields)), PixelFormat::Bgra32, 0, "32 bits, masks after header");
    fields.HeaderSize = 124;
    fields.Masks.push_back(0xFF000000);
    auto v5 = Read(BuildBmp(fields));
    ASSERT_NE(v5, nullptr);
    EXPECT_EQ(v5->Row(0)[3], 255); // the alpha mask is read
    ExpectTrueColourPicture(std::move(v5), PixelFormat::Bgra32, 0, "32 bits, version 5 masks");

    // The file reader gives the same as the memory reader.
    TTempDir dir;
    WriteBytes(dir.File("a.bmp"), BuildBmp(TrueColourPlan(24, Bgr)));
    ExpectTrueColourPicture(ReadBmpFile(dir.File("a.bmp")), PixelFormat::Bgr24, 0, "file");
    EXPECT_EQ(ReadBmpFile(dir.File("missing.bmp")), nullptr);
}

TEST(Bmp, DecodesRunLengthData)
{
    TBmpPlan plan = PalettePlan(8, 8);
    plan.Compression = 1;
    // Bottom row: a run of 2 × index 2, 3 literal pixels 5, 6, 7 (padded), end of line.
    // Middle row: one pixel 7, then a move of (1, 1) to x 2 of the top row, a run of two 4s.
    plan.RunLengthData = { 2, 2, 0, 3, 5, 6, 7, 0, 0, 0, 1, 7, 0, 2, 1, 1, 2, 4, 0, 1 };
    auto rle8 = Read(BuildBmp(plan));
    ASSERT_NE(rle8, nullptr);
    ASSERT_EQ(rle8->Format(), PixelFormat::Indexed8);
    const std::uint8_t bottom[5] = { 2, 2, 5, 6, 7 };
    const std::uint8_t middle[5] = { 7, 0, 0, 0, 0 };
    const std::uint8_t top[5] = { 0, 0, 4, 4, 0 };
    EXPECT_EQ(0, std::memcmp(rle8->Row(2), bottom, 5));
    EXPECT_EQ(0, std::memcmp(rle8->Row(1), middle, 5));
    EXPECT_EQ(0, std::memcmp(rle8->Row(0), top, 5));

    // 4 bits: runs alternate their two nibbles; literal nibbles come in pairs.
    plan.Bits = 4;
    plan.Compression = 2;
    plan.RunLengthData = { 5, 0x12, 0, 0, 0, 3, 0x34, 0x50, 0, 1 };
    auto rle4 = Read(BuildBmp(plan));
    ASSERT_NE(rle4, nullptr);
    const std::uint8_t first[5] = { 1, 2, 1, 2, 1 };
    const std::uint8_t second[5] = { 3, 4, 5, 0, 0 };
    EXPECT_EQ(0, std::memcmp(rle4->Row(2), first, 5));
    EXPECT_EQ(0, std::memcmp(rle4->Row(1), second, 5));

    // Runs past the right edge are clipped; data that stops early leaves index 0 behind.
    plan.RunLengthData = { 255, 0x77, 0, 0, 4 };
    auto clipped = Read(BuildBmp(plan));
    ASSERT_NE(clipped, nullptr);
    EXPECT_EQ(clipped->Row(2)[4], 7);
    EXPECT_EQ(clipped->Row(1)[0], 0);
}

TEST(Bmp, HostileAndDamagedFilesFailCleanly)
{
    const Bytes good = BuildBmp(TrueColourPlan(24, Bgr));
    ASSERT_NE(Read(good), nullptr);
    auto patched = [&](std::size_t offset, std::uint32_t value) {
        Bytes bytes = good;
        PutU32(bytes, offset, value);
        return Read(bytes);
    };
    // Sizes the file cannot hold, or no bitmap could: no huge allocation, just a failure.
    EXPECT_EQ(patched(BmpWidthField, 60000), nullptr);
    EXPECT_EQ(patched(BmpHeightField, 50000), nullptr);
    EXPECT_EQ(patched(BmpHeightField, static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::min())), nullptr);
    EXPECT_EQ(patched(BmpWidthField, 0xFFFFFFFFu), nullptr); // width −1
    EXPECT_EQ(patched(BmpWidthField, 0), nullptr);
    EXPECT_EQ(patched(BmpHeightField, 0), nullptr);
    EXPECT_EQ(patched(BmpPixelOffsetField, static_cast<std::uint32_t>(good.size())), nullptr);
    EXPECT_EQ(patched(BmpPixelOffsetField, 0xFFFFFFF0u), nullptr);
    EXPECT_EQ(patched(BmpHeaderSizeField, 64), nullptr);
    EXPECT_EQ(patched(BmpHeaderSizeField, 0xFFFFFFFFu), nullptr);
    EXPECT_EQ(patched(BmpBitsField, 2), nullptr);
    EXPECT_EQ(patched(BmpBitsField, 64), nullptr);
    EXPECT_EQ(patched(BmpCompressionField, 4), nullptr); // embedded JPEG
    EXPECT_EQ(patched(BmpCompressionField, 1), nullptr); // run-length with 24 bits

    // Pixel data cut short fails; only the final row's padding may be missing.
    EXPECT_EQ(Read(Bytes(good.begin(), good.end() - 4)), nullptr);
    EXPECT_NE(Read(Bytes(good.begin(), good.end() - 1)), nullptr);
    EXPECT_EQ(Read(Bytes(good.begin(), good.begin() + 20)), nullptr);
    EXPECT_EQ(Read(Bytes {}), nullptr);
    EXPECT_EQ(ReadBmpMemory(nullptr, 100), nullptr);
    Bytes notBmp = good;
    notBmp[0] = 'X';
    EXPECT_EQ(Read(notBmp), nullptr);

    // A palette count far beyond the file reads only what is there.
    Bytes palette = BuildBmp(PalettePlan(8, 3));
    PutU32(palette, BmpColorsUsedField, 0x7FFFFFFF);
    ExpectPalettePicture(Read(palette), 3, "huge palette count");

    // Masks that are not contiguous, and run-length data stored top-down.
    TBmpPlan gaps = TrueColourPlan(16, Bgr);
    gaps.Compression = 3;
    gaps.Masks = { 0xF00F, 0x00F0, 0x0F00 };
    EXPECT_EQ(Read(BuildBmp(gaps)), nullptr);
    TBmpPlan rle = PalettePlan(8, 4);
    rle.Compression = 1;
    rle.TopDown = true;
    rle.RunLengthData = { 0, 1 };
    EXPECT_EQ(Read(BuildBmp(rle)), nullptr);

    // Every cut of a run-length file is read without going astray.
    TBmpPlan runs = PalettePlan(8, 8);
    runs.Compression = 1;
    runs.RunLengthData = { 3, 2, 0, 2, 5, 6, 0, 0, 1, 7, 0, 2, 200, 1, 2, 4, 0, 9, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 1 };
    const Bytes full = BuildBmp(runs);
    for (std::size_t cut = 54; cut <= full.size(); ++cut) {
        auto bitmap = Read(Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut)));
        if (cut > 54 + 8 * 4) {
            EXPECT_NE(bitmap, nullptr) << cut;
        }
    }
}
