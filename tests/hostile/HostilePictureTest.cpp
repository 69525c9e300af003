// Damaged and hostile JPEG, BMP, HEIC, AVIF, PNG and WebP files through korvo2-album: every file gets its one line when
// it is added, the readable ones are turned into the album, and nothing crashes or hangs.

#include "hostile/HostileSupport.h"
#include "imaging/Acquire.h"
#include "support/ContainerPictures.h"
#include "support/ExifBuilder.h"
#include "support/JpegVariants.h"
#include "support/TestImages.h"
#include "support/TestPictures.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

using namespace korvo;
using namespace korvo::testing;
namespace fs = std::filesystem;

namespace {

class HostilePictures : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directory(m_dir / "in"); }

    // Writes an input file; names are numbered so that the tool reads them in this order.
    void Add(const std::string& name, const Bytes& bytes, bool readable)
    {
        char number[8];
        std::snprintf(number, sizeof number, "%04zu-", Inputs.size());
        const std::string path = m_dir / ("in/" + std::string(number) + name);
        korvo::testing::WriteBytes(path, bytes);
        Inputs.push_back({ path, readable });
    }

    int Readable() const
    {
        return static_cast<int>(std::count_if(Inputs.begin(), Inputs.end(), [](const auto& i) { return i.Readable; }));
    }

    ToolOutcome Run(const std::string& mode)
    {
        return RunAlbumTool({ "--raw", "--mode", mode, "--dest", m_dir / "out", m_dir / "in" });
    }

    int Files(const std::string& extension) const
    {
        int count = 0;
        for (const auto& entry : fs::directory_iterator(m_dir / "out"))
            count += entry.path().extension() == extension;
        return count;
    }

    TTempDir m_dir;
    std::vector<HostileInput> Inputs;
};

Bytes WithExif(int width, int height)
{
    return MakeJpeg(width, height,
        MakeExifSegment(false, { AsciiEntry(0x0110, "Kamera"), AsciiEntry(0x0132, "2003:07:14 18:05:09") },
            { RationalEntry(0x829A, 1, 60) }));
}

} // namespace

// A baseline file cut after every byte of its headers (start marker, EXIF, tables, frame, scan
// header) and at many places in its entropy-coded data. Without the scan header's component table
// there is no picture (a baseline scan needs none of the three bytes behind it); from there on
// the missing rest is filled in grey, as a browser shows it. The tool adds a file from its header
// alone, which names the last component one byte earlier (its tables are checked when decoding);
// read whole, as the window and --no-run read it, a file is added exactly when it can be decoded.
TEST_F(HostilePictures, JpegsCutAtEveryStage)
{
    const Bytes whole = WithExif(40, 24);
    const std::size_t readable = FirstScanDataStart(whole) - 3;
    for (std::size_t length = 0; length <= whole.size(); length += length < readable + 16 ? 1 : 29)
        Add("cut" + std::to_string(length) + ".jpg", Bytes(whole.begin(), whole.begin() + length), length >= readable);
    ASSERT_GT(Inputs.size(), 300u);
    for (HostileInput& input : Inputs) {
        input.Added = input.Readable || input.Path.ends_with("cut" + std::to_string(readable - 1) + ".jpg");
        input.Reason = input.Path.ends_with("-cut0.jpg") ? "Datei ist leer" : "Datei ist unvollständig";
    }

    ToolOutcome outcome = Run("NoHTML");
    EXPECT_EQ(outcome.ExitCode, 1);
    EXPECT_TRUE(LogMatches(outcome, ExpectedRunLines(Inputs, false), Readable(), Readable() + 1));
    EXPECT_EQ(Files(".jpg"), Readable());

    outcome = RunAlbumTool({ "--raw", "--no-run", "--dest", m_dir / "out", m_dir / "in" });
    EXPECT_EQ(outcome.ExitCode, 1);
    EXPECT_TRUE(AddLogMatches(outcome, ExpectedAddLines(Inputs, true)));
}

// A progressive file has tables between its scans, so a cut after the first scan header may
// still make it unreadable. Each cut must end as one line when added and one in the album, and
// the files that read whole when added (as the window adds them) are exactly the ones the album
// run turns into pictures.
TEST_F(HostilePictures, ProgressiveJpegsCutAnywhere)
{
    const Bytes whole = EncodeJpegVariant(33, 17, { .Progressive = true });
    for (std::size_t length = 0; length < whole.size(); length += 7)
        Add("cut" + std::to_string(length) + ".jpg", Bytes(whole.begin(), whole.begin() + length), false);
    Add("no-end-marker.jpg", Bytes(whole.begin(), whole.end() - 2), true);

    const ToolOutcome read = RunAlbumTool({ "--raw", "--no-run", "--dest", m_dir / "out", m_dir / "in" });
    ASSERT_EQ(read.ExitCode, 1) << read.Output;
    const std::string n = std::to_string(Inputs.size());
    std::vector<std::string> wholeReads;
    for (std::size_t i = 0; i < Inputs.size(); ++i) {
        const std::string prefix = "[" + std::to_string(i + 1) + "/" + n + "] ";
        const bool ok = read.Has("*" + prefix + "Bild hinzugefügt: " + Inputs[i].Path);
        EXPECT_NE(ok, read.Has("-" + prefix + "Fehler beim Hinzufügen: " + Inputs[i].Path)) << i;
        if (ok)
            wholeReads.push_back(Inputs[i].Path);
    }
    EXPECT_EQ(wholeReads.back(), Inputs.back().Path);
    EXPECT_NE(wholeReads.front(), Inputs.front().Path);

    const ToolOutcome outcome = Run("IndexOnly");
    ASSERT_EQ(outcome.ExitCode, 1) << outcome.Output;
    std::vector<std::string> converted;
    for (const std::string& line : outcome.Starting("*[")) {
        const std::size_t end = line.find("] ");
        if (line.find("Bild hinzugefügt") == std::string::npos && end != std::string::npos)
            converted.push_back(line.substr(end + 2));
    }
    EXPECT_EQ(converted, wholeReads);
    EXPECT_EQ(Files(".jpg"), 2 * static_cast<int>(wholeReads.size()));
    EXPECT_EQ(outcome.Starting("+").size(), 2u);
}

// Every kind of JPEG a camera or another program may write is read; what the decoder cannot
// take (12-bit samples, absurd or empty sizes, no JPEG at all) fails on its own line.
TEST_F(HostilePictures, JpegKindsAndImpossibleHeaders)
{
    Add("cmyk-adobe.jpg",
        EncodeFourChannelJpeg(9, 7, false, true,
            [](int x, int y) {
                return std::array<std::uint8_t, 4> { std::uint8_t(x * 20), std::uint8_t(y * 30), 0, 200 };
            }),
        true);
    Add("cmyk.jpg",
        EncodeFourChannelJpeg(9, 7, false, false,
            [](int x, int) {
                return std::array<std::uint8_t, 4> { std::uint8_t(x * 20), 0, 0, 20 };
            }),
        true);
    Add("ycck.jpg",
        EncodeFourChannelJpeg(12, 5, true, true,
            [](int x, int y) {
                return std::array<std::uint8_t, 4> { std::uint8_t(x * 20), 10, std::uint8_t(y * 30), 50 };
            }),
        true);
    Add("grey.jpg", EncodeJpegVariant(20, 30, { .Components = 1 }), true);
    Add("grey-progressive.jpg", EncodeJpegVariant(20, 30, { .Progressive = true, .Components = 1 }), true);
    Add("progressive.jpg", EncodeJpegVariant(50, 31, { .Progressive = true }), true);
    Add("arithmetic.jpg", EncodeJpegVariant(31, 50, { .Arithmetic = true }), true);
    Add("arithmetic-progressive.jpg", EncodeJpegVariant(17, 17, { .Progressive = true, .Arithmetic = true }), true);
    Add("restarts.jpg", EncodeJpegVariant(64, 64, { .RestartRows = 1 }), true);

    // Garbage in the entropy-coded data (no 0xFF, so no false markers) only spoils the picture.
    Bytes garbage = EncodeJpegVariant(64, 48, { .RestartRows = 2 });
    std::mt19937 random(7);
    for (std::size_t i = FirstScanDataStart(garbage) + 20; i + 40 < garbage.size(); i += 3)
        garbage[i] = static_cast<std::uint8_t>(random() % 255);
    Add("garbage.jpg", garbage, true);

    Bytes twelveBit = EncodeJpegVariant(16, 16, {});
    SetJpegPrecision(twelveBit, 12);
    Add("12bit.jpg", twelveBit, false);
    Bytes huge = EncodeJpegVariant(16, 16, {});
    SetJpegSize(huge, 65500, 65500);
    Add("65500x65500.jpg", huge, false);
    Bytes hugeProgressive = EncodeJpegVariant(16, 16, { .Progressive = true });
    SetJpegSize(hugeProgressive, 65500, 65500);
    Add("65500x65500-progressive.jpg", hugeProgressive, false);
    // A progressive file that would keep 3.9 GB of coefficients: added from its header, refused
    // when read, long before it could take the memory.
    Bytes cmykBomb = EncodeJpegVariant(16, 16, { .Progressive = true, .Components = 4 });
    SetJpegSize(cmykBomb, 22000, 22000);
    Add("22000x22000-progressive-cmyk.jpg", cmykBomb, false);
    Inputs.back().Added = true;
    Bytes noWidth = EncodeJpegVariant(16, 16, {});
    SetJpegSize(noWidth, 0, 16);
    Add("width0.jpg", noWidth, false);
    Bytes noHeight = EncodeJpegVariant(16, 16, {});
    SetJpegSize(noHeight, 16, 0);
    Add("height0.jpg", noHeight, false);
    Add("empty.jpg", {}, false);
    Add("text.jpg", Bytes { 'k', 'e', 'i', 'n', ' ', 'B', 'i', 'l', 'd' }, false);
    Add("bitmap.jpg", MakeBmp(8, 8), false);
    Add("only-markers.jpg", Bytes { 0xFF, 0xD8, 0xFF, 0xD9 }, false);

    const ToolOutcome outcome = Run("WithDetails");
    EXPECT_EQ(outcome.ExitCode, 1);
    EXPECT_TRUE(LogMatches(outcome, ExpectedRunLines(Inputs, true), Readable(), Readable() + 1));
    EXPECT_EQ(Files(".jpg"), 2 * Readable());
    EXPECT_EQ(Files(".htm"), 2 * Readable() + 1); // a picture that cannot be read gets no pages
}

// BMPs of every depth and header variant are read; sizes that overflow, pixel data that lies
// past the end or is cut short, unknown methods and broken masks fail; a palette without
// entries gives a black picture.
TEST_F(HostilePictures, BitmapsOfEveryKindAndDamage)
{
    const auto plan = [](int bits, std::uint32_t header, bool topDown = false) {
        TBmpPlan p;
        p.Width = 11;
        p.Height = 5;
        p.Bits = bits;
        p.HeaderSize = header;
        p.TopDown = topDown;
        if (bits <= 8)
            for (int i = 0; i < (1 << bits) && i < 256; ++i)
                p.Palette.push_back({ std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(i * 7) });
        if ((bits == 16 || bits == 32) && header > 40) {
            p.Compression = 3;
            p.Masks = bits == 16 ? std::vector<std::uint32_t> { 0xF800, 0x07E0, 0x001F, 0 }
                                 : std::vector<std::uint32_t> { 0xFF0000, 0xFF00, 0xFF, 0xFF000000 };
        }
        for (int y = 0; y < p.Height; ++y) {
            p.Rows.emplace_back();
            for (int x = 0; x < p.Width; ++x)
                p.Rows.back().push_back(
                    static_cast<std::uint32_t>((x * 29 + y * 13) % (bits <= 8 ? 1 << bits : 65536)));
        }
        return p;
    };
    for (int bits : { 1, 4, 8, 16, 24, 32 })
        for (std::uint32_t header : { 12u, 40u, 52u, 56u, 108u, 124u }) {
            if (header == 12 && (bits == 16 || bits == 32))
                continue;
            const std::string name = std::to_string(bits) + "bit-" + std::to_string(header);
            Add(name + ".bmp", BuildBmp(plan(bits, header)), true);
            if (header != 12)
                Add(name + "-topdown.bmp", BuildBmp(plan(bits, header, true)), true);
        }

    const Bytes good = BuildBmp(plan(24, 40));
    auto damaged = [&](const std::string& name, std::size_t field, std::uint32_t value, bool readable) {
        Bytes bytes = good;
        PutU32(bytes, field, value);
        Add(name + ".bmp", bytes, readable);
    };
    damaged("width-65536", BmpWidthField, 65536, false);
    {
        Bytes bytes = good;
        PutU32(bytes, BmpWidthField, 65536);
        PutU32(bytes, BmpHeightField, 65536);
        Add("4-gigapixels.bmp", bytes, false);
        PutU32(bytes, BmpWidthField, 0x7FFFFFFF);
        PutU32(bytes, BmpHeightField, 1);
        Add("width-2^31.bmp", bytes, false);
        PutU32(bytes, BmpWidthField, 500'000'000);
        Add("row-of-1.5-gigabytes.bmp", bytes, false);
        PutU32(bytes, BmpWidthField, 11);
        PutU32(bytes, BmpHeightField, 0x80000000);
        Add("height-minus-2^31.bmp", bytes, false);
    }
    damaged("width0", BmpWidthField, 0, false);
    damaged("height0", BmpHeightField, 0, false);
    damaged("offset-past-end", BmpPixelOffsetField, static_cast<std::uint32_t>(good.size()), false);
    damaged("offset-2^32-1", BmpPixelOffsetField, 0xFFFFFFFF, false);
    damaged("offset-inside-header", BmpPixelOffsetField, 4, false);
    damaged("header-size-64", BmpHeaderSizeField, 64, false);
    damaged("header-size-2^32-1", BmpHeaderSizeField, 0xFFFFFFFF, false);
    damaged("jpeg-inside", BmpCompressionField, 4, false);
    damaged("png-inside", BmpCompressionField, 5, false);
    {
        Bytes bytes = good;
        bytes[BmpBitsField] = 2;
        Add("2bit.bmp", bytes, false);
        bytes[BmpBitsField] = 0;
        Add("0bit.bmp", bytes, false);
        bytes[BmpBitsField] = 64;
        Add("64bit.bmp", bytes, false);
    }
    Add("pixels-cut-short.bmp", Bytes(good.begin(), good.end() - 20), false);
    Add("only-headers.bmp", Bytes(good.begin(), good.begin() + 54), false);
    Add("signature-only.bmp", Bytes { 'B', 'M' }, false);

    // Palettes: none at all, a count far beyond the file, and more entries than stored.
    TBmpPlan noPalette = plan(8, 40);
    noPalette.Palette.clear();
    Add("8bit-no-palette.bmp", BuildBmp(noPalette), true);
    TBmpPlan onePalette = plan(1, 40);
    onePalette.Palette.clear();
    Add("1bit-no-palette.bmp", BuildBmp(onePalette), true);
    damaged("colours-used-2^32-1", BmpColorsUsedField, 0xFFFFFFFF, true);
    Bytes manyColours = BuildBmp(plan(4, 40));
    PutU32(manyColours, BmpColorsUsedField, 300);
    Add("4bit-300-colours.bmp", manyColours, true);

    // Masks: all zero gives black; bits that are not contiguous cannot be read.
    TBmpPlan zeroMasks = plan(32, 56);
    zeroMasks.Masks = { 0, 0, 0, 0 };
    Add("zero-masks.bmp", BuildBmp(zeroMasks), true);
    TBmpPlan gappyMasks = plan(16, 56);
    gappyMasks.Masks = { 0xF00F, 0x07E0, 0x001F, 0 };
    Add("gappy-mask.bmp", BuildBmp(gappyMasks), false);

    // Run-length data: cut short, jumping far beyond the picture, or never ending a line.
    TBmpPlan rle = plan(8, 40);
    rle.Compression = 1;
    rle.RunLengthData = { 5, 1, 0, 0, 3, 2, 0, 2, 200, 200, 4, 3, 0, 0 };
    Add("rle8-jumps.bmp", BuildBmp(rle), true);
    rle.RunLengthData = { 5, 1, 0, 9 };
    Add("rle8-literal-cut.bmp", BuildBmp(rle), true);
    rle.RunLengthData = Bytes(4000, 0xFF);
    Add("rle8-endless-runs.bmp", BuildBmp(rle), true);
    TBmpPlan rle4 = plan(4, 40);
    rle4.Compression = 2;
    rle4.RunLengthData = { 0, 7, 0x12, 0x34, 0x50, 0, 0, 1 };
    Add("rle4.bmp", BuildBmp(rle4), true);
    rle4.TopDown = true;
    rle4.RunLengthData = { 4, 0x11, 0, 1 };
    Add("rle4-topdown.bmp", BuildBmp(rle4), false);

    const ToolOutcome outcome = Run("IndexOnly");
    EXPECT_EQ(outcome.ExitCode, 1);
    EXPECT_TRUE(LogMatches(outcome, ExpectedRunLines(Inputs, true), Readable(), Readable()));
    EXPECT_EQ(Files(".jpg"), 2 * Readable());
}

namespace {

// A picture whose start holds the given Exif segment (the builder's file without its start
// marker).
Bytes JpegWithExif(const TExifFile& exif)
{
    const Bytes start = exif.Build();
    return MakeJpeg(24, 16, Bytes(start.begin() + 2, start.end()));
}

std::string ExifRow(const std::string& name, const std::string& value)
{
    return "<tr><td align=\"left\"><nobr><b>&nbsp;&nbsp;" + name + "</b></nobr></td><td align=\"left\"><nobr>&nbsp;"
        + value + "</nobr></td></tr>\r\n";
}

} // namespace

// EXIF blocks that point everywhere but at their data never cost the picture: it is added and
// turned into the album, and its details page lists what can be read.
TEST_F(HostilePictures, ExifBlocksWithHostileOffsetsAndCounts)
{
    const auto little = ExifByteOrder::LittleEndian;
    {
        TExifFile f(little);
        f.Ifd0Raw(ExifTags::Model, ExifTypes::Ascii, 20, 5000).Ifd0Raw(0x011A, ExifTypes::Rational, 1, 4092);
        Add("offsets-past-the-window.jpg", JpegWithExif(f), true);
    }
    {
        // T + offset wraps around to a position before T in 32-bit arithmetic.
        TExifFile f(little, true);
        f.Ifd0Raw(ExifTags::Model, ExifTypes::Ascii, 20, 0xFFFFFFF4)
            .Ifd0Raw(0x011A, ExifTypes::Rational, 1, 0xFFFFFFF8)
            .Ifd0Raw(ExifTags::ExifOffset, ExifTypes::Long, 1, 0xFFFFFFF0);
        Add("offsets-wrapping-around.jpg", JpegWithExif(f), true);
    }
    {
        // The Exif directory pointer leads back to the first directory.
        TExifFile f(ExifByteOrder::BigEndian);
        f.Ifd0Ascii(ExifTags::Model, "Kreis").Ifd0Raw(ExifTags::ExifOffset, ExifTypes::Long, 1, 8);
        Add("pointer-to-itself.jpg", JpegWithExif(f), true);
    }
    {
        TExifFile f(little);
        f.Ifd0Raw(0x010E, ExifTypes::Ascii, 0xFFFFFFFF, 8)
            .Ifd0Raw(0x011A, ExifTypes::Rational, 0xFFFFFFFF, 8)
            .Ifd0Raw(0x0112, ExifTypes::Short, 0xFFFFFFFF, 0xFFFFFFFF);
        Add("counts-2^32-1.jpg", JpegWithExif(f), true);
    }
    {
        TExifFile f(little);
        f.Ifd0(ExifTags::Model, ExifTypes::Ascii, 4, { 'A', 'B', 'C', 'D' })
            .Ifd0(0x010F, ExifTypes::Ascii, 9, Bytes(9, 'x'));
        Add("ascii-without-nul.jpg", JpegWithExif(f), true);
    }
    {
        TExifFile f(little);
        f.Ifd0(0x011A, ExifTypes::Rational, 1, f.Rational(72, 0))
            .ExifPointer()
            .Exif(0x829A, ExifTypes::Rational, 1, f.Rational(0, 1))
            .Exif(0x829D, ExifTypes::Rational, 1, f.Rational(28, 0))
            .Exif(0x9204, ExifTypes::SRational, 1, f.Rational(0x80000000, 0xFFFFFFFF))
            .Exif(0x9201, ExifTypes::SRational, 1, f.Rational(0x80000000, 1));
        Add("rationals-without-value.jpg", JpegWithExif(f), true);
    }

    const ToolOutcome outcome = Run("WithDetails");
    EXPECT_EQ(outcome.ExitCode, 0) << outcome.Output;
    EXPECT_TRUE(LogMatches(outcome, ExpectedRunLines(Inputs, true), Readable(), Readable()));

    const std::string rationals = ReadFile(m_dir / "out/iinfo006.htm");
    EXPECT_NE(rationals.find(ExifRow("XResolution", "unknown (72/0)")), std::string::npos) << rationals;
    EXPECT_NE(rationals.find(ExifRow("ExposureTime", "unknown (0/1)")), std::string::npos);
    EXPECT_NE(rationals.find(ExifRow("FNumber", "unknown (28/0)")), std::string::npos);
    EXPECT_NE(rationals.find(ExifRow("ExposureBiasValue", "2147483648.00 (-2147483648/-1)")), std::string::npos);
    EXPECT_NE(rationals.find(ExifRow("ShutterSpeedValue", "unknown (-2147483648/1)")), std::string::npos);
    const std::string looped = ReadFile(m_dir / "out/iinfo003.htm");
    EXPECT_NE(looped.find(ExifRow("Model", "Kreis")), std::string::npos);
    for (int i = 1; i <= 6; ++i) {
        const std::string page = ReadFile(m_dir / ("out/iinfo00" + std::to_string(i) + ".htm"));
        EXPECT_TRUE(page.ends_with("</tr></table>\r\n<!--EOT-->\r\n</body></html>\r\n")) << i;
    }
}

// HEIC, AVIF, PNG and WebP files through the whole tool: sound ones (with EXIF) become album
// pictures with their details rows; cut files, sizes beyond the limit, a PNG whose header claims
// more pixels than its data hold and files under another kind's extension fail on their lines.
// The tool adds from the header, so a cut file whose header is whole is added and fails later.
TEST_F(HostilePictures, ContainersCutHugeAndMislabelled)
{
    const Bytes exif = TiffOfSegment(MakeExifSegment(false, { AsciiEntry(0x0110, "Kamera") }));
    for (const ContainerKind kind :
        { ContainerKind::Heic, ContainerKind::Avif, ContainerKind::Png, ContainerKind::Webp }) {
        const std::string extension = ContainerExtension(kind);
        const Bytes whole = MakeContainerPicture({ .Kind = kind, .Exif = exif });
        if (whole.empty())
            continue; // no encoder for this kind on this machine
        Add("whole" + extension, whole, true);
        for (const std::size_t length : { std::size_t { 0 }, std::size_t { 40 }, whole.size() / 2 }) {
            Add("cut" + std::to_string(length) + extension, Bytes(whole.begin(), whole.begin() + length), false);
            Inputs.back().Added = ReadImageFile(Inputs.back().Path, AcquireMode::HeaderOnly).Read;
        }
        Add("60000x60000" + extension, ClaimingSize(kind, whole, 60000, 60000), false);
    }
    Add("4000x4000.png", ClaimingSize(ContainerKind::Png, MakeContainerPicture({}), 4000, 4000), false);
    Inputs.back().Added = true;
    Add("png.webp", MakeContainerPicture({}), false);
    Add("webp.png", MakeContainerPicture({ .Kind = ContainerKind::Webp }), false);
    Add("jpeg.avif", MakeJpeg(16, 12), false);
    Add("png.heic", MakeContainerPicture({}), false);

    const ToolOutcome outcome = Run("WithDetails");
    EXPECT_EQ(outcome.ExitCode, 1);
    const int added = static_cast<int>(
        std::count_if(Inputs.begin(), Inputs.end(), [](const auto& i) { return i.Added.value_or(i.Readable); }));
    EXPECT_TRUE(LogMatches(outcome, ExpectedRunLines(Inputs, true), Readable(), added));
    EXPECT_EQ(Files(".jpg"), 2 * Readable());
    int withModel = 0;
    for (const auto& entry : fs::directory_iterator(m_dir / "out"))
        withModel += entry.path().filename().string().starts_with("iinfo")
            && ReadFile(entry.path()).find(ExifRow("Model", "Kamera")) != std::string::npos;
    EXPECT_EQ(withModel, Readable());
}
