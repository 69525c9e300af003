#include "imaging/AlbumPicture.h"
#include "imaging/Jpeg.h"
#include "imaging/Process.h"
#include "imaging/ScaleBMP.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

#include <random>

using namespace korvo;
using namespace korvo::testing;

namespace {

using Pixel = std::array<std::uint8_t, 3>;

// What the step-by-step operations make of a picture: LoadImage, MakeSizedImage and the bytes
// WriteJpegFile would write.
TSizedPicture StepByStep(TBitmap* loaded, OutputImageKind kind, const Configuration& config)
{
    TSizedPicture out;
    TImageRecord image;
    BitmapPtr sized = MakeSizedImage(image, loaded, kind, config);
    if (!sized)
        return out;
    out.Sized = true;
    out.Width = sized->Width();
    out.Height = sized->Height();
    const TImageGroupSettings& group = GroupFor(kind, config);
    out.Encoded = EncodeJpegMemory(*sized, group.Quality, group.Progressive, out.Jpeg);
    return out;
}

void ExpectSame(const TSizedPicture& expected, const TSizedPicture& actual, const std::string& what)
{
    EXPECT_EQ(actual.Sized, expected.Sized) << what;
    EXPECT_EQ(actual.Encoded, expected.Encoded) << what;
    EXPECT_EQ(actual.Width, expected.Width) << what;
    EXPECT_EQ(actual.Height, expected.Height) << what;
    EXPECT_TRUE(actual.Jpeg == expected.Jpeg) << what;
}

// Both ways for one picture and configuration, with one workspace reused across calls.
void Compare(const std::string& path, int rotate, const Configuration& config, TPictureWorkspace& workspace,
    const std::string& what)
{
    TImageRecord image;
    image.Source = path;
    image.Rotate = rotate;
    BitmapPtr loaded = LoadImage(image, config);
    const TAlbumPictureResult result = ProcessAlbumPicture({ path, rotate, true }, config, workspace);
    ASSERT_EQ(result.Loaded, loaded != nullptr) << what;
    if (!loaded) {
        EXPECT_FALSE(result.Preview.Sized) << what;
        return;
    }
    const TSizedPicture preview = StepByStep(loaded.get(), OutputImageKind::PreviewImage, config);
    const TSizedPicture thumbnail = StepByStep(loaded.get(), OutputImageKind::ThumbnailImage, config);
    ExpectSame(preview, result.Preview, what + " preview");
    ExpectSame(thumbnail, result.Thumbnail, what + " thumbnail");
}

} // namespace

TEST(AlbumPicture, GivesTheFilesOfTheStepByStepOperationsForEverySetting)
{
    TTempDir dir;
    // Sizes that stream, that need odd boxes, that are smaller than the box, and a BMP with a
    // palette (held, switched to 24 bits only where the steps switch it).
    struct Source {
        std::string Name;
        int Width, Height;
    };
    std::vector<std::string> paths;
    for (const Source& s : { Source { "wide.jpg", 703, 311 }, Source { "tall.jpg", 217, 530 },
             Source { "small.jpg", 90, 61 }, Source { "strip.jpg", 1300, 3 } }) {
        auto photo = MakePhoto(s.Width, s.Height);
        WriteBytes(dir.File(s.Name), [&] {
            Bytes out;
            EXPECT_TRUE(EncodeJpegMemory(*photo, 88, s.Width % 2 == 1, out));
            return out;
        }());
        paths.push_back(dir.File(s.Name));
    }
    TBmpPlan plan;
    plan.Width = 150;
    plan.Height = 97;
    plan.Bits = 8;
    plan.Palette = { { 1, 2, 3 }, { 200, 100, 50 }, { 40, 240, 90 } };
    for (int y = 0; y < plan.Height; ++y) {
        plan.Rows.emplace_back();
        for (int x = 0; x < plan.Width; ++x)
            plan.Rows.back().push_back(static_cast<std::uint32_t>((x / 7 + y / 5) % 3));
    }
    WriteBytes(dir.File("palette.BMP"), BuildBmp(plan));
    paths.push_back(dir.File("palette.BMP"));

    TPictureWorkspace workspace;
    for (int variant = 0; variant < 6; ++variant) {
        Configuration config;
        config.Preprocessing.MedianFilter = variant != 1;
        config.Preprocessing.Equalize = variant >= 3;
        config.Preprocessing.EqualizeMode = variant == 4 ? EqualizeMode::Gray : EqualizeMode::RGB;
        config.Preprocessing.EqualizeStrength = variant == 5 ? 150 : 20;
        config.PreviewImages.SetAspect(Aspect::free);
        config.PreviewImages.SetWidth(variant == 2 ? 2048 : 320);
        config.PreviewImages.SetHeight(variant == 2 ? 16 : 240);
        config.PreviewImages.Progressive = variant % 2 == 0;
        config.ThumbnailImages.SetFrameSize(variant == 1 ? 0 : variant + 1);
        for (const std::string& path : paths)
            for (int rotate : { 0, 1, 2, 3, 7 })
                Compare(path, rotate, config, workspace,
                    path + " variant " + std::to_string(variant) + " turn " + std::to_string(rotate));
    }
}

TEST(AlbumPicture, FailuresEndAsTheStepThatFailed)
{
    TTempDir dir;
    TPictureWorkspace workspace;
    const Configuration config;

    // Unreadable: missing, not a picture, a BMP under a JPEG name, a folder.
    auto photo = MakePhoto(40, 30);
    Bytes jpeg;
    ASSERT_TRUE(EncodeJpegMemory(*photo, 80, false, jpeg));
    WriteBytes(dir.File("text.jpg"), Bytes { 'k', 'e', 'i', 'n' });
    std::filesystem::create_directory(dir.File("folder.jpg"));
    for (const char* name : { "missing.jpg", "text.jpg", "folder.jpg", "missing.bmp" }) {
        for (int rotate : { 0, 1 }) {
            const TAlbumPictureResult result = ProcessAlbumPicture({ dir.File(name), rotate, true }, config, workspace);
            EXPECT_FALSE(result.Loaded) << name;
            EXPECT_FALSE(result.Preview.Sized) << name;
            EXPECT_TRUE(result.Preview.Jpeg.empty()) << name;
        }
    }

    // A picture 300 times wider than high: the thumbnail's height is 0, the preview's is 2.
    auto strip = MakePhoto(900, 3);
    Bytes stripJpeg;
    ASSERT_TRUE(EncodeJpegMemory(*strip, 80, false, stripJpeg));
    WriteBytes(dir.File("strip.jpg"), stripJpeg);
    TAlbumPictureResult result = ProcessAlbumPicture({ dir.File("strip.jpg"), 0, true }, config, workspace);
    EXPECT_TRUE(result.Loaded);
    EXPECT_TRUE(result.Preview.Encoded);
    EXPECT_EQ(result.Preview.Height, 2);
    EXPECT_FALSE(result.Thumbnail.Sized);
    // No thumbnail asked for: none made.
    result = ProcessAlbumPicture({ dir.File("strip.jpg"), 0, false }, config, workspace);
    EXPECT_FALSE(result.Thumbnail.Sized);
    EXPECT_TRUE(result.Thumbnail.Jpeg.empty());

    // Truncated data still decode (as LoadImage does); work that was cancelled is dropped.
    WriteBytes(dir.File("half.jpg"), Bytes(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(jpeg.size() / 2)));
    Compare(dir.File("half.jpg"), 0, config, workspace, "truncated");
    result = ProcessAlbumPicture({ dir.File("half.jpg"), 0, true }, config, workspace, [] { return true; });
    EXPECT_FALSE(result.Loaded);
}

TEST(RowScaler, FillsSeveralDestinationsAsScaleBitmapDoesWithAndWithoutWideVectors)
{
    std::minstd_rand random(5);
    for (int round = 0; round < 60; ++round) {
        const int sw = 1 + static_cast<int>(random() % 300);
        const int sh = 1 + static_cast<int>(random() % 90);
        auto source = MakeBitmap(sw, sh, [&](int, int) {
            return Pixel { static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
                static_cast<std::uint8_t>(random()) };
        });
        std::vector<BitmapPtr> expected;
        std::vector<BitmapPtr> wide;
        std::vector<BitmapPtr> portable;
        for (int k = 0; k < 3; ++k) {
            const int dw = 1 + static_cast<int>(random() % (k == 2 ? 400 : 60));
            const int dh = 1 + static_cast<int>(random() % (k == 2 ? 120 : 40));
            expected.push_back(TBitmap::Create(dw, dh));
            ScaleBitmap(source.get(), expected.back().get());
            wide.push_back(TBitmap::Create(dw, dh));
            portable.push_back(TBitmap::Create(dw, dh));
        }
        TRowScaler wideScaler(sw, sh, true);
        TRowScaler portableScaler(sw, sh, false);
        for (int k = 0; k < 3; ++k) {
            wideScaler.AddDestination(*wide[k]);
            portableScaler.AddDestination(*portable[k]);
        }
        for (int y = 0; y < sh; ++y) {
            wideScaler.PushRow(source->Row(y));
            portableScaler.PushRow(source->Row(y));
        }
        EXPECT_EQ(wideScaler.RowsPushed(), sh);
        for (int k = 0; k < 3; ++k) {
            ASSERT_TRUE(SamePixels(*expected[k], *wide[k]))
                << sw << "x" << sh << " -> " << wide[k]->Width() << "x" << wide[k]->Height();
            ASSERT_TRUE(SamePixels(*expected[k], *portable[k]));
        }
    }
}
