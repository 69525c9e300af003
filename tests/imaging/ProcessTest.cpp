#include "imaging/Process.h"
#include "imaging/Histogram.h"
#include "imaging/Jpeg.h"
#include "imaging/RotateBMP.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

using namespace korvo;
using namespace korvo::test;

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

BitmapPtr Uniform(int width, int height, std::uint8_t value)
{
    return MakeBitmap(width, height, [=](int, int) { return Pixel { value, value, value }; });
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
        auto bitmap = Uniform(w, h, 90);
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
    auto flat = Uniform(100, 50, 100);
    auto thumb = MakeSizedImage(image, flat.get(), OutputImageKind::ThumbnailImage, config);
    EXPECT_EQ(PixelAt(*thumb, 50, 0), (Pixel { 204, 204, 204 })); // 255 − 155 × 1 div 3
    EXPECT_EQ(PixelAt(*thumb, 50, 25), (Pixel { 100, 100, 100 }));
    Configuration noEdge = config;
    noEdge.ThumbnailImages.SetFrameSize(0);
    EXPECT_EQ(PixelAt(*MakeSizedImage(image, flat.get(), OutputImageKind::ThumbnailImage, noEdge), 50, 0),
        (Pixel { 100, 100, 100 }));
}

TEST(Process, BevelLightensTopAndLeftAndDarkensBottomAndRight)
{
    auto tiny = Uniform(4, 4, 100);
    AddBevelFrame(*tiny, 2); // 2 > 3 div 2: no edge
    EXPECT_TRUE(SamePixels(*tiny, *Uniform(4, 4, 100)));

    AddBevelFrame(*tiny, 1); // factor 1/2: light 255 − 155 / 2 = 178, dark 100 / 2 = 50
    const int L = 178, D = 50, M = 100;
    const int expected[4][4] = { { L, L, L, L }, { L, M, M, D }, { L, M, M, D }, { L, D, D, D } };
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(PixelAt(*tiny, x, y)[1], expected[y][x]) << x << "," << y;

    // Two rings: the outer one moves by 1/3, the inner one by 2/3 of the distance kept.
    auto six = Uniform(6, 6, 90);
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

TEST(Process, MedianRemovesVerticalLinesAndKeepsHorizontalOnes)
{
    auto uniform = Uniform(9, 4, 77);
    ApplyMedianFilter(*uniform);
    EXPECT_TRUE(SamePixels(*uniform, *Uniform(9, 4, 77)));

    auto vertical = MakeBitmap(9, 4, [](int x, int) {
        return x == 4 ? Pixel { 255, 255, 255 } : Pixel { 20, 30, 40 };
    });
    ApplyMedianFilter(*vertical);
    EXPECT_TRUE(SamePixels(*vertical, *MakeBitmap(9, 4, [](int, int) { return Pixel { 20, 30, 40 }; })));

    auto horizontal = MakeBitmap(9, 4, [](int, int y) {
        return y == 2 ? Pixel { 255, 255, 255 } : Pixel { 20, 30, 40 };
    });
    auto before = horizontal->Clone();
    ApplyMedianFilter(*horizontal);
    EXPECT_TRUE(SamePixels(*horizontal, *before));

    // Channel by channel, from unfiltered neighbours; the end columns stay.
    auto row = MakeBitmap(5, 1, [](int x, int) {
        const std::uint8_t values[5] = { 9, 200, 0, 200, 50 };
        return Pixel { values[x], static_cast<std::uint8_t>(10 * x), 1 };
    });
    ApplyMedianFilter(*row);
    const std::uint8_t blue[5] = { 9, 9, 200, 50, 50 };
    for (int x = 0; x < 5; ++x) {
        EXPECT_EQ(PixelAt(*row, x, 0)[0], blue[x]) << x;
        EXPECT_EQ(PixelAt(*row, x, 0)[1], 10 * x);
    }

    auto narrow = MakeBitmap(2, 2, [](int x, int) { return Pixel { static_cast<std::uint8_t>(x * 99), 0, 0 }; });
    ApplyMedianFilter(*narrow);
    EXPECT_EQ(PixelAt(*narrow, 1, 1)[0], 99);
}

TEST(Process, MedianOfLongRowsMatchesTheDefinition)
{
    // Rows of many thousand bytes are filtered in pieces; the seams must not show.
    std::minstd_rand random(3);
    auto picture = MakeBitmap(3001, 3, [&](int, int) {
        return Pixel { static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
            static_cast<std::uint8_t>(random()) };
    });
    auto original = picture->Clone();
    ApplyMedianFilter(*picture);
    for (int y = 0; y < 3; ++y)
        for (std::size_t k = 0; k < 3 * 3001; ++k) {
            const std::uint8_t* in = original->Row(y);
            std::uint8_t want = in[k];
            if (k >= 3 && k + 3 < 3 * 3001) {
                std::uint8_t v[3] = { in[k - 3], in[k], in[k + 3] };
                std::sort(v, v + 3);
                want = v[1];
            }
            ASSERT_EQ(picture->Row(y)[k], want) << y << " " << k;
        }
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

TEST(Process, FileNamesReplaceTheFirstPlaceholder)
{
    EXPECT_EQ(NumberText(7, 3), "007");
    EXPECT_EQ(NumberText(1234, 3), "1234");
    EXPECT_EQ(NumberText(5, 1), "5");
    EXPECT_EQ(BuildFileName(5, "image", 3), "image005");
    EXPECT_EQ(BuildFileName(5, "bild_?_klein", 3), "bild_005_klein");
    EXPECT_EQ(BuildFileName(5, "a*b*c", 3), "a005b%c");
    EXPECT_EQ(BuildFileName(12, "%x?y", 4), "0012x%y");
    EXPECT_EQ(BuildFileName(3, "", 2), "03");
    EXPECT_EQ(BuildFileName(1, "a%" + std::string(2000, 'z'), 1).size(), 2u + 1024u);
}

TEST(Process, NamesFromTheSettingsStayInsideTheAlbumFolder)
{
    // A template from someone else's project must not reach into other folders.
    EXPECT_EQ(BuildFileName(7, "../../Fotos/IMG_%", 4), ".._.._Fotos_IMG_0007");
    EXPECT_EQ(BuildFileName(7, "/etc/x", 1), "_etc_x7");
    EXPECT_EQ(BuildFileName(7, std::string("a\0b", 3), 1), "a_b7");
    EXPECT_EQ(SafeFileName("../index"), ".._index");
    EXPECT_EQ(SafeFileName("index"), "index");

    for (const char* name : { "images", "Vorschau 2024", ".versteckt", "..a", "a..", "ü" })
        EXPECT_TRUE(IsOwnFolderName(name)) << name;
    for (std::string_view name : std::initializer_list<std::string_view> {
             "", ".", "..", "a/b", "/images", "images/", "../images", std::string_view("a\0b", 3) })
        EXPECT_FALSE(IsOwnFolderName(name)) << name;
}
