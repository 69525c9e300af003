// HEIC, AVIF, PNG and WebP pictures made in code: what acquisition, loading and the details page
// make of every variant, their EXIF data, and files that are damaged, mislabelled or too large.

#include "exif/EXIF.h"
#include "exif/ExifValueText.h"
#include "imaging/Acquire.h"
#include "imaging/AddFiles.h"
#include "imaging/PictureFile.h"
#include "imaging/Process.h"
#include "support/ContainerPictures.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"
#include "support/TestPictures.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

using namespace korvo;
using namespace korvo::testing;

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr ContainerKind AllKinds[]
    = { ContainerKind::Heic, ContainerKind::Avif, ContainerKind::Png, ContainerKind::Webp };

std::string TypeWord(ContainerKind kind)
{
    return kind == ContainerKind::Heic ? "HEIC "
        : kind == ContainerKind::Avif  ? "AVIF "
        : kind == ContainerKind::Png   ? "PNG "
                                       : "WebP ";
}

bool Lossy(ContainerKind kind) { return kind == ContainerKind::Heic || kind == ContainerKind::Avif; }

// The mean difference per channel between the decoded picture and what the recipe's picture should
// give: transparent parts white, grey and palette colours as written, a turn of 6 (clockwise)
// applied.
double MeanError(const TBitmap& bitmap, const ContainerRecipe& recipe)
{
    const BitmapPtr source = MakeTestBitmap(recipe.Width, recipe.Height);
    double sum = 0;
    for (int y = 0; y < recipe.Height; ++y)
        for (int x = 0; x < recipe.Width; ++x) {
            const std::uint8_t* p = source->Row(y) + 3 * x;
            std::array<int, 3> expected { p[0], p[1], p[2] };
            if (recipe.Alpha && x < recipe.Width / 2)
                expected = { 255, 255, 255 };
            else if (recipe.Grey)
                expected = { p[1], p[1], p[1] };
            else if (recipe.Palette)
                expected = { 128, p[1] & 0xF0, p[2] & 0xF0 };
            const bool turned = recipe.Orientation == 6;
            const std::uint8_t* got = bitmap.Row(turned ? x : y) + 3 * (turned ? recipe.Height - 1 - y : x);
            for (std::size_t c = 0; c < 3; ++c)
                sum += std::abs(got[c] - expected[c]);
        }
    return sum / (3.0 * recipe.Width * recipe.Height);
}

} // namespace

TEST(ContainerPictures, EveryVariantBecomesTheTwentyFourBitPicture)
{
    std::vector<ContainerRecipe> recipes;
    for (const ContainerKind kind : AllKinds) {
        recipes.push_back({ .Kind = kind });
        recipes.push_back({ .Kind = kind, .Alpha = true });
        recipes.push_back({ .Kind = kind, .Grey = true });
        if (kind == ContainerKind::Heic || kind == ContainerKind::Png)
            recipes.push_back({ .Kind = kind, .Deep = true });
        // HEIF pictures come turned as their container says.
        if (Lossy(kind))
            recipes.push_back({ .Kind = kind, .Orientation = 6 });
    }
    recipes.push_back({ .Kind = ContainerKind::Png, .Alpha = true, .Grey = true, .Deep = true });
    recipes.push_back({ .Kind = ContainerKind::Png, .Palette = true });
    recipes.push_back({ .Kind = ContainerKind::Webp, .Animated = true });
    recipes.push_back({ .Kind = ContainerKind::Webp, .Alpha = true, .Animated = true });

    TTempDir dir;
    int made = 0;
    for (std::size_t i = 0; i < recipes.size(); ++i) {
        const ContainerRecipe& recipe = recipes[i];
        SCOPED_TRACE(i);
        const Bytes bytes = MakeContainerPicture(recipe);
        if (bytes.empty())
            continue; // no encoder for this kind on this machine
        ++made;
        const std::string path = dir / ("picture" + std::to_string(i) + ContainerExtension(recipe.Kind));
        WriteBytes(path, bytes);
        const bool turned = recipe.Orientation == 6;
        for (const AcquireMode mode : { AcquireMode::ListPicture, AcquireMode::HeaderOnly }) {
            const TAcquiredImage acquired = ReadImageFile(path, mode);
            ASSERT_TRUE(acquired.Read);
            EXPECT_EQ(acquired.InfoText, TypeWord(recipe.Kind) + (turned ? "48x64" : "64x48"));
            EXPECT_EQ(acquired.ListPicture != nullptr, mode == AcquireMode::ListPicture);
        }
        TImageRecord image;
        image.Source = path;
        EXPECT_NE(LoadImage(image, Configuration {}), nullptr);
        const BitmapPtr loaded = ReadPictureBitmap(path);
        ASSERT_NE(loaded, nullptr);
        ASSERT_EQ(loaded->Format(), PixelFormat::Bgr24);
        ASSERT_EQ(loaded->Width(), turned ? 48 : 64);
        ASSERT_EQ(loaded->Height(), turned ? 64 : 48);
        EXPECT_LE(MeanError(*loaded, recipe), Lossy(recipe.Kind) ? 6.0 : 0.5);
    }
    EXPECT_GE(made, 12) << "PNG and WebP are always made";
}

TEST(ContainerPictures, ExifGivesDateModelTurnAndDetailsRows)
{
    const Bytes exif = TiffOfSegment(MakeExifSegment(true, { AsciiEntry(0x0110, "Kamera X"), ShortEntry(0x0112, 6) },
        { AsciiEntry(0x9003, "2024:05:06 07:08:09") }));
    // A model text that runs past the first 4096 bytes of TIFF data is not seen at all.
    const Bytes longModel = TiffOfSegment(MakeExifSegment(false, { AsciiEntry(0x0110, std::string(5000, 'M')) }));
    TTempDir dir;
    std::vector<std::string> paths;
    std::vector<ContainerKind> kinds;
    for (const ContainerKind kind : AllKinds) {
        // WebP and PNG writers differ in whether they keep "Exif", 00, 00 in front.
        Bytes data = exif;
        if (kind == ContainerKind::Webp)
            data.insert(data.begin(), { 'E', 'x', 'i', 'f', 0, 0 });
        const Bytes bytes = MakeContainerPicture({ .Kind = kind, .Exif = data });
        if (bytes.empty())
            continue;
        paths.push_back(dir / ("exif" + ContainerExtension(kind)));
        kinds.push_back(kind);
        WriteBytes(paths.back(), bytes);
    }
    paths.push_back(dir / "long.png");
    WriteBytes(paths.back(), MakeContainerPicture({ .Kind = ContainerKind::Png, .Exif = longModel }));

    TImageManager images;
    TRecordingHost host;
    TAcquireOptions options;
    options.ExifRotation = true;
    AddFiles(images, paths, host, options);
    ASSERT_EQ(images.ImageCount(), static_cast<int>(paths.size()));
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        SCOPED_TRACE(paths[i]);
        const TImageRecord& image = *images.GetImage(static_cast<int>(i));
        EXPECT_EQ(image.InfoText, TypeWord(kinds[i]) + "64x48 (Kamera X)");
        EXPECT_EQ(image.DateText, "06.05.2024 07:08");
        // HEIF pictures come turned by their container; the EXIF tag only repeats that turn.
        EXPECT_EQ(image.Rotate, Lossy(kinds[i]) ? 0 : 1);
        std::vector<std::string> rows;
        const auto block = LoadPictureExif(paths[i]);
        ASSERT_TRUE(block);
        auto copy = *block;
        EnumerateExif(copy, [&rows](std::uint16_t, std::uint32_t, const std::string& name, const std::string& text) {
            rows.push_back(name + "=" + text);
        });
        EXPECT_NE(std::find(rows.begin(), rows.end(), "Model=Kamera X"), rows.end());
        EXPECT_NE(std::find(rows.begin(), rows.end(), "DateTimeOriginal=2024:05:06 07:08:09"), rows.end());
    }
    EXPECT_EQ(images.GetImage(images.ImageCount() - 1)->InfoText, "PNG 64x48");
}

TEST(ContainerPictures, DamagedMislabelledAndHugeFilesFailCleanly)
{
    std::vector<std::pair<std::string, Bytes>> files {
        { "jpeg.heic", MakeJpeg(32, 24) },
        { "bmp.png", MakeBmp(32, 24) },
        { "png.webp", MakeContainerPicture({ .Kind = ContainerKind::Png }) },
        { "webp.png", MakeContainerPicture({ .Kind = ContainerKind::Webp }) },
        { "png.avif", MakeContainerPicture({ .Kind = ContainerKind::Png }) },
        { "webp.heif", MakeContainerPicture({ .Kind = ContainerKind::Webp }) },
        { "empty.png", {} },
    };
    for (const ContainerKind kind : AllKinds) {
        const Bytes whole = MakeContainerPicture({ .Kind = kind, .Animated = kind == ContainerKind::Webp });
        if (whole.empty())
            continue;
        const std::string extension = ContainerExtension(kind);
        for (const std::size_t length : { std::size_t { 40 }, whole.size() / 2 })
            files.push_back({ "cut" + std::to_string(length) + extension,
                Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length)) });
        files.push_back({ "huge" + extension, ClaimingSize(kind, whole, 60000, 60000) });
    }
    TTempDir dir;
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        const std::string path = dir / name;
        WriteBytes(path, bytes);
        const TAcquiredImage header = ReadImageFile(path, AcquireMode::HeaderOnly);
        const TAcquiredImage acquired = ReadImageFile(path, AcquireMode::ListPicture);
        EXPECT_FALSE(acquired.Read);
        EXPECT_FALSE(acquired.UnknownType);
        EXPECT_EQ(ReadPictureBitmap(path), nullptr);
        EXPECT_FALSE(LoadPictureExif(path));
        // A cut picture may keep its header; a huge or mislabelled one never gets that far.
        if (name.rfind("cut", 0) != 0) {
            EXPECT_FALSE(header.Read);
        }
    }
}
