#include "imaging/Process.h"
#include "imaging/Histogram.h"
#include "imaging/Jpeg.h"
#include "imaging/MedianFilter.h"
#include "imaging/RotateBMP.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace korvo;
using namespace korvo::testing;

namespace {

using Pixel = std::array<std::uint8_t, 3>;

TImageRecord Image(const std::string& source, int rotate = 0)
{
    TImageRecord image;
    image.Source = source;
    image.Rotate = rotate;
    image.Number = 1;
    return image;
}

Configuration NoPreprocessing()
{
    Configuration config;
    config.Preprocessing.MedianFilter = false;
    config.Preprocessing.Equalize = false;
    return config;
}

} // namespace

TEST(Process, LoadImageChoosesTheReaderByExtensionAndTurnsThePicture)
{
    TTempDir dir;
    TBmpPlan plan;
    plan.Width = 3;
    plan.Height = 2;
    plan.Bits = 8;
    plan.Palette = { { 1, 2, 3 }, { 200, 100, 50 } };
    plan.Rows = { { 0, 1, 0 }, { 1, 1, 0 } };
    const Bytes bmp = BuildBmp(plan);
    WriteBytes(dir.File("pic.BMP"), bmp);
    WriteBytes(dir.File("pic.jpg.bmp"), bmp);
    WriteBytes(dir.File("bmp-inside.jpg"), bmp);

    const Configuration plain = NoPreprocessing();
    auto loaded = LoadImage(Image(dir.File("pic.BMP")), plain);
    ASSERT_NE(loaded, nullptr);
    // Untouched by any pixel operation, the picture keeps the format it was read in.
    EXPECT_EQ(loaded->Format(), PixelFormat::Indexed8);
    EXPECT_NE(LoadImage(Image(dir.File("pic.jpg.bmp")), plain), nullptr);
    EXPECT_EQ(LoadImage(Image(dir.File("bmp-inside.jpg")), plain), nullptr);
    EXPECT_EQ(LoadImage(Image(dir.File("missing.bmp")), plain), nullptr);
    EXPECT_EQ(LoadImage(Image(dir.File("missing.jpg")), plain), nullptr);

    auto turned = LoadImage(Image(dir.File("pic.BMP"), 1), plain);
    ASSERT_NE(turned, nullptr);
    EXPECT_EQ(turned->Format(), PixelFormat::Bgr24);
    EXPECT_EQ(turned->Width(), 2);
    EXPECT_EQ(turned->Height(), 3);
    EXPECT_EQ(PixelAt(*turned, 1, 0), (Pixel { 1, 2, 3 })); // the top-left pixel went top-right
    EXPECT_EQ(LoadImage(Image(dir.File("pic.BMP"), 3), plain)->Height(), 3);
    EXPECT_EQ(PixelAt(*LoadImage(Image(dir.File("pic.BMP"), 2), plain), 0, 0), (Pixel { 1, 2, 3 }));
    EXPECT_EQ(LoadImage(Image(dir.File("pic.BMP"), 7), plain)->Width(), 3); // other values: no turn

    // Any other extension is read as JPEG, with the float decoder.
    auto photo = MakePhoto(48, 32);
    ASSERT_TRUE(EncodeJpegFile(*photo, dir.File("photo.jpe"), 90, false));
    auto jpeg = LoadImage(Image(dir.File("photo.jpe")), plain);
    ASSERT_NE(jpeg, nullptr);
    EXPECT_TRUE(SamePixels(*jpeg, *DecodeJpegFile(dir.File("photo.jpe"), DctMethod::Float)));
}

TEST(Process, LoadImageFiltersThenCorrectsThenTurns)
{
    TTempDir dir;
    auto photo = MakePhoto(40, 30);
    ASSERT_TRUE(EncodeJpegFile(*photo, dir.File("p.jpg"), 90, false));
    Configuration config;
    config.Preprocessing.MedianFilter = true;
    config.Preprocessing.Equalize = true;
    config.Preprocessing.EqualizeMode = EqualizeMode::Gray;
    config.Preprocessing.EqualizeStrength = 50;

    auto expected = DecodeJpegFile(dir.File("p.jpg"), DctMethod::Float);
    ApplyMedianFilter(*expected);
    EqualizeBitmap(*expected, false, 0.05);
    expected = RotateCounterClockwise(*expected);
    auto loaded = LoadImage(Image(dir.File("p.jpg"), 3), config);
    ASSERT_NE(loaded, nullptr);
    EXPECT_TRUE(SamePixels(*loaded, *expected));
}

TEST(Process, MakeSizedImageFitsIntoTheBoxWithoutEnlarging)
{
    const Configuration config = NoPreprocessing(); // previews 640 × 640, thumbnails 128 with edge 2
    const TImageRecord image = Image("unused.jpg");
    auto size = [&](int w, int h, OutputImageKind kind) {
        auto bitmap = MakeUniform(w, h, 90);
        auto sized = MakeSizedImage(image, bitmap.get(), kind, config);
        return sized ? std::pair { sized->Width(), sized->Height() } : std::pair { -1, -1 };
    };
    EXPECT_EQ(size(3000, 2000, OutputImageKind::PreviewImage), (std::pair { 640, 426 }));
    EXPECT_EQ(size(2000, 3000, OutputImageKind::PreviewImage), (std::pair { 426, 640 }));
    EXPECT_EQ(size(300, 200, OutputImageKind::ThumbnailImage), (std::pair { 128, 85 }));
    // Target side 0: a reported failure.
    EXPECT_EQ(size(1000, 3, OutputImageKind::ThumbnailImage), (std::pair { -1, -1 }));
    EXPECT_EQ(size(3, 1000, OutputImageKind::ThumbnailImage), (std::pair { -1, -1 }));
    EXPECT_EQ(MakeSizedImage(image, nullptr, OutputImageKind::PreviewImage, config), nullptr);

    // A picture that fits keeps its size and pixels.
    auto small = MakePhoto(100, 50);
    auto same = MakeSizedImage(image, small.get(), OutputImageKind::PreviewImage, config);
    ASSERT_NE(same, nullptr);
    EXPECT_TRUE(SamePixels(*same, *small));

    // Thumbnails get the edge, previews never.
    auto flat = MakeUniform(100, 50, 100);
    auto thumb = MakeSizedImage(image, flat.get(), OutputImageKind::ThumbnailImage, config);
    EXPECT_EQ(PixelAt(*thumb, 50, 0), (Pixel { 204, 204, 204 })); // 255 − 155 × 1 div 3
    EXPECT_EQ(PixelAt(*thumb, 50, 25), (Pixel { 100, 100, 100 }));
    Configuration noEdge = config;
    noEdge.ThumbnailImages.SetFrameSize(0);
    EXPECT_EQ(PixelAt(*MakeSizedImage(image, flat.get(), OutputImageKind::ThumbnailImage, noEdge), 50, 0),
        (Pixel { 100, 100, 100 }));
}

TEST(Process, WritesAndRoundTripsWithTheKindsSettings)
{
    TTempDir dir;
    Configuration config = NoPreprocessing();
    config.PreviewImages.Quality = 85;
    auto photo = MakePhoto(64, 40);
    ASSERT_TRUE(WriteJpegFile(photo.get(), dir.File("image001.jpg"), OutputImageKind::PreviewImage, config));
    ASSERT_TRUE(WriteJpegFile(photo.get(), dir.File("thumb001.jpg"), OutputImageKind::ThumbnailImage, config));
    const TJpegFacts preview = InspectJpeg(ReadBytes(dir.File("image001.jpg")));
    const TJpegFacts thumb = InspectJpeg(ReadBytes(dir.File("thumb001.jpg")));
    EXPECT_TRUE(preview.Progressive);
    EXPECT_FALSE(thumb.Progressive);
    EXPECT_EQ(preview.Tables[0], ExpectedTables(85)[0]);
    EXPECT_EQ(thumb.Tables[1], ExpectedTables(40)[1]);
    EXPECT_FALSE(WriteJpegFile(nullptr, dir.File("none.jpg"), OutputImageKind::PreviewImage, config));
    EXPECT_FALSE(std::filesystem::exists(dir.File("none.jpg")));

    std::size_t bytes = 1;
    auto shown = JpegRoundTrip(photo.get(), OutputImageKind::ThumbnailImage, config, bytes);
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(bytes, ReadBytes(dir.File("thumb001.jpg")).size());
    EXPECT_TRUE(SamePixels(*shown, *DecodeJpegFile(dir.File("thumb001.jpg"), DctMethod::Float)));
    EXPECT_EQ(JpegRoundTrip(nullptr, OutputImageKind::PreviewImage, config, bytes), nullptr);
    EXPECT_EQ(bytes, 0u);
    auto empty = TBitmap::Create(0, 0);
    bytes = 1;
    EXPECT_EQ(JpegRoundTrip(empty.get(), OutputImageKind::PreviewImage, config, bytes), nullptr);
    EXPECT_EQ(bytes, 0u);
}
