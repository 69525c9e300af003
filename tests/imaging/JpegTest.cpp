#include "imaging/Jpeg.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include <jpeglib.h>

using namespace korvo;
using namespace korvo::testing;

namespace {

using Pixel = std::array<std::uint8_t, 3>;

Bytes Encode(TBitmap& bitmap, int quality, bool progressive)
{
    Bytes out;
    EXPECT_TRUE(EncodeJpegMemory(bitmap, quality, progressive, out));
    return out;
}

BitmapPtr Decode(const Bytes& bytes, DctMethod method = DctMethod::Float)
{
    return DecodeJpegMemory(bytes.data(), bytes.size(), method);
}

// Position of the first marker FF `code` at or after `from`, or npos.
std::size_t FindMarker(const Bytes& bytes, std::uint8_t code, std::size_t from = 2)
{
    for (std::size_t i = from; i + 1 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == code)
            return i;
    return std::string::npos;
}

std::size_t FindLastMarker(const Bytes& bytes, std::uint8_t code)
{
    for (std::size_t i = bytes.size() - 1; i-- > 2;)
        if (bytes[i] == 0xFF && bytes[i + 1] == code)
            return i;
    return std::string::npos;
}

// Writes a new picture size into the frame header.
void PatchFrameSize(Bytes& bytes, unsigned width, unsigned height)
{
    std::size_t sof = FindMarker(bytes, 0xC0);
    if (sof == std::string::npos)
        sof = FindMarker(bytes, 0xC2);
    ASSERT_NE(sof, std::string::npos);
    bytes[sof + 5] = static_cast<std::uint8_t>(height >> 8);
    bytes[sof + 6] = static_cast<std::uint8_t>(height);
    bytes[sof + 7] = static_cast<std::uint8_t>(width >> 8);
    bytes[sof + 8] = static_cast<std::uint8_t>(width);
}

} // namespace

TEST(Jpeg, EncodesWithTheQualityTablesAndProgressiveOnlyWhenAsked)
{
    auto photo = MakePhoto(40, 24);
    for (int quality : { 1, 40, 75, 99 })
        for (bool progressive : { false, true }) {
            const TJpegFacts facts = InspectJpeg(Encode(*photo, quality, progressive));
            ASSERT_TRUE(facts.Valid);
            EXPECT_EQ(facts.Progressive, progressive) << quality;
            EXPECT_EQ(facts.Width, 40);
            EXPECT_EQ(facts.Height, 24);
            EXPECT_EQ(facts.Components, 3);
            EXPECT_EQ(facts.ColorSpace, JCS_YCbCr);
            const auto expected = ExpectedTables(quality);
            ASSERT_EQ(facts.Tables.size(), 2u);
            EXPECT_EQ(facts.Tables[0], expected[0]) << quality;
            EXPECT_EQ(facts.Tables[1], expected[1]) << quality;
        }
    // Baseline-compatible tables: no entry above 255 even at the lowest quality.
    for (const auto& table : InspectJpeg(Encode(*photo, 1, false)).Tables)
        for (std::uint16_t q : table)
            EXPECT_LE(q, 255);

    // A grey picture is still written in colour.
    auto grey = MakeBitmap(8, 8, [](int x, int) {
        return Pixel { static_cast<std::uint8_t>(x * 30), static_cast<std::uint8_t>(x * 30),
            static_cast<std::uint8_t>(x * 30) };
    });
    EXPECT_EQ(InspectJpeg(Encode(*grey, 75, false)).Components, 3);
}

TEST(Jpeg, DecodesWhatItEncodedAtFullSizeInBlueGreenRedOrder)
{
    auto photo = MakePhoto(64, 48);
    const Bytes file = Encode(*photo, 95, true);
    auto fine = Decode(file, DctMethod::Float);
    auto fast = Decode(file, DctMethod::Fast);
    ASSERT_NE(fine, nullptr);
    ASSERT_NE(fast, nullptr);
    EXPECT_EQ(fine->Format(), PixelFormat::Bgr24);
    EXPECT_EQ(fine->Width(), 64);
    EXPECT_EQ(fine->Height(), 48);
    EXPECT_FALSE(SamePixels(*fine, *fast)); // the two inverse DCTs are really chosen

    // A smooth picture comes back close to what was encoded.
    auto smooth = MakeBitmap(64, 48, [](int x, int y) {
        return Pixel { static_cast<std::uint8_t>(3 * x), static_cast<std::uint8_t>(4 * y),
            static_cast<std::uint8_t>(x + y) };
    });
    EXPECT_LE(MaxDifference(*Decode(Encode(*smooth, 95, false)), *smooth), 6);
    EXPECT_LE(MaxDifference(*Decode(Encode(*smooth, 95, true), DctMethod::Fast), *smooth), 8);

    // Pure colours keep their channel order.
    auto red = MakeBitmap(16, 16, [](int, int) { return Pixel { 0, 0, 255 }; });
    const Pixel decoded = PixelAt(*Decode(Encode(*red, 90, false)), 5, 5);
    EXPECT_LE(decoded[0], 8);
    EXPECT_LE(decoded[1], 8);
    EXPECT_GE(decoded[2], 245);

    // File and memory agree; the size is read without decoding.
    TTempDir dir;
    ASSERT_TRUE(EncodeJpegFile(*photo, dir.File("a.jpg"), 95, true));
    EXPECT_EQ(ReadBytes(dir.File("a.jpg")), file);
    EXPECT_TRUE(SamePixels(*DecodeJpegFile(dir.File("a.jpg"), DctMethod::Float), *fine));
    int w = 0, h = 0;
    EXPECT_TRUE(ReadJpegSize(dir.File("a.jpg"), w, h));
    EXPECT_EQ(w, 64);
    EXPECT_EQ(h, 48);
    EXPECT_FALSE(ReadJpegSize(dir.File("missing.jpg"), w, h));
}

TEST(Jpeg, GreyscaleCmykAndYcckFilesEndAs24BitColour)
{
    auto grey = Decode(EncodeGrayJpeg(16, 8, [](int x, int) { return static_cast<std::uint8_t>(16 * x); }));
    ASSERT_NE(grey, nullptr);
    EXPECT_EQ(grey->Format(), PixelFormat::Bgr24);
    for (int x = 0; x < 16; ++x) {
        const Pixel p = PixelAt(*grey, x, 3);
        EXPECT_EQ(p[0], p[1]);
        EXPECT_EQ(p[1], p[2]);
        EXPECT_NEAR(p[0], 16 * x, 3);
    }

    // Left half pure red ink-wise (no cyan, full magenta and yellow), right half 50 % black.
    auto ink = [](bool inverted) {
        return [inverted](int x, int) {
            std::array<std::uint8_t, 4> cmyk
                = x < 8 ? std::array<std::uint8_t, 4> { 0, 255, 255, 0 } : std::array<std::uint8_t, 4> { 0, 0, 0, 128 };
            if (inverted)
                for (auto& v : cmyk)
                    v = static_cast<std::uint8_t>(255 - v);
            return cmyk;
        };
    };
    struct Case {
        bool ycck;
        bool adobe;
    };
    for (const Case c : { Case { false, true }, Case { true, true }, Case { false, false } }) {
        // Files with the Adobe marker store their ink inverted.
        auto bitmap = Decode(EncodeFourChannelJpeg(16, 8, c.ycck, c.adobe, ink(c.adobe)));
        ASSERT_NE(bitmap, nullptr) << c.ycck << c.adobe;
        EXPECT_EQ(bitmap->Format(), PixelFormat::Bgr24);
        const Pixel red = PixelAt(*bitmap, 2, 4);
        EXPECT_LE(red[0], 10);
        EXPECT_LE(red[1], 10);
        EXPECT_GE(red[2], 245);
        const Pixel black = PixelAt(*bitmap, 13, 4);
        for (int channel = 0; channel < 3; ++channel)
            EXPECT_NEAR(black[channel], 127, 6);
    }
}

TEST(Jpeg, DamagedFilesDecodeWithWarningsOrFailCleanly)
{
    auto photo = MakePhoto(64, 64);
    const Bytes file = Encode(*photo, 80, false);

    // A truncated file and corrupt entropy data still give a picture of the full size.
    const Bytes half(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(file.size() / 2));
    auto truncated = Decode(half);
    ASSERT_NE(truncated, nullptr);
    EXPECT_EQ(truncated->Height(), 64);
    Bytes corrupt = file;
    const std::size_t scan = FindMarker(file, 0xDA);
    ASSERT_NE(scan, std::string::npos);
    for (std::size_t i = scan + 40; i < corrupt.size() - 10; i += 37)
        corrupt[i] = static_cast<std::uint8_t>(corrupt[i] * 31 + 7);
    auto damaged = Decode(corrupt);
    ASSERT_NE(damaged, nullptr);
    EXPECT_EQ(damaged->Width(), 64);

    // Nothing usable: fail.
    EXPECT_EQ(Decode(Bytes {}), nullptr);
    EXPECT_EQ(DecodeJpegMemory(nullptr, 10, DctMethod::Float), nullptr);
    EXPECT_EQ(Decode(Bytes(file.begin(), file.begin() + 20)), nullptr);
    EXPECT_EQ(Decode(Bytes { 'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0 }), nullptr);
    Bytes noise(5000);
    for (std::size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<std::uint8_t>(i * 7919 % 251);
    EXPECT_EQ(Decode(noise), nullptr);
    noise[0] = 0xFF;
    noise[1] = 0xD8; // a start marker followed by noise
    EXPECT_EQ(Decode(noise), nullptr);

    // Hostile sizes in the frame header: refused before anything is allocated.
    Bytes huge = file;
    PatchFrameSize(huge, 65500, 65500);
    EXPECT_EQ(Decode(huge), nullptr);
    Bytes zero = file;
    PatchFrameSize(zero, 0, 64);
    EXPECT_EQ(Decode(zero), nullptr);

    EXPECT_EQ(DecodeJpegFile("/nonexistent/korvo/x.jpg", DctMethod::Float), nullptr);
}

TEST(Jpeg, EndlesslyRepeatedScansAreRefused)
{
    auto photo = MakePhoto(16, 16);
    const Bytes file = Encode(*photo, 75, true);
    const std::size_t lastScan = FindLastMarker(file, 0xDA);
    const std::size_t end = FindLastMarker(file, 0xD9);
    ASSERT_LT(lastScan, end);
    auto repeated = [&](int times) {
        Bytes out(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(end));
        for (int i = 0; i < times; ++i)
            out.insert(out.end(), file.begin() + static_cast<std::ptrdiff_t>(lastScan),
                file.begin() + static_cast<std::ptrdiff_t>(end));
        out.push_back(0xFF);
        out.push_back(0xD9);
        return out;
    };
    // A few bogus extra scans only cause warnings; a thousand more are an attack.
    EXPECT_NE(Decode(repeated(20)), nullptr);
    EXPECT_NE(Decode(repeated(900)), nullptr);
    EXPECT_EQ(Decode(repeated(1100)), nullptr);
}

TEST(Jpeg, WritingFailsWithoutLeavingAPartialFile)
{
    TTempDir dir;
    auto photo = MakePhoto(32, 16);
    EXPECT_FALSE(EncodeJpegFile(*photo, dir.File("missing/x.jpg"), 75, false));
    auto empty = TBitmap::Create(0, 10);
    EXPECT_FALSE(EncodeJpegFile(*empty, dir.File("empty.jpg"), 75, false));
    Bytes out { 1, 2, 3 };
    EXPECT_FALSE(EncodeJpegMemory(*empty, 75, false, out));
    EXPECT_TRUE(out.empty());
    // The target is a folder: the encoded file cannot take its place.
    std::filesystem::create_directory(dir.File("taken.jpg"));
    EXPECT_FALSE(EncodeJpegFile(*photo, dir.File("taken.jpg"), 75, false));
    // An existing file is replaced by a complete new one.
    WriteBytes(dir.File("old.jpg"), Bytes(100000, 0x55));
    EXPECT_TRUE(EncodeJpegFile(*photo, dir.File("old.jpg"), 75, false));
    EXPECT_NE(Decode(ReadBytes(dir.File("old.jpg"))), nullptr);

    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string> { "old.jpg", "taken.jpg" }));

    // A palette picture is switched to 24 bits and encoded.
    auto indexed = TBitmap::Create(8, 8, PixelFormat::Indexed8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            indexed->Row(y)[x] = 0;
    EXPECT_TRUE(EncodeJpegMemory(*indexed, 75, false, out));
    EXPECT_EQ(indexed->Format(), PixelFormat::Bgr24);
}
