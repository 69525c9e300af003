#include "imaging/Acquire.h"
#include "imaging/AddFiles.h"
#include "imaging/Jpeg.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"
#include "support/TestPictures.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using namespace korvo;
using namespace korvo::testing;
using namespace std::chrono_literals;

namespace {

using Bytes = std::vector<std::uint8_t>;

// A smooth picture without white, so that the box above finds all of it.
Bytes SmoothJpeg(int width, int height, bool progressive = false)
{
    BitmapPtr bitmap = TBitmap::Create(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = bitmap->Row(y) + 3 * x;
            p[0] = static_cast<std::uint8_t>(20 + 180 * x / width);
            p[1] = static_cast<std::uint8_t>(20 + 180 * y / height);
            p[2] = 90;
        }
    Bytes jpeg;
    EncodeJpegMemory(*bitmap, 85, progressive, jpeg);
    return jpeg;
}

std::size_t FindLastMarker(const Bytes& bytes, std::uint8_t code)
{
    for (std::size_t i = bytes.size() - 1; i-- > 2;)
        if (bytes[i] == 0xFF && bytes[i + 1] == code)
            return i;
    return std::string::npos;
}

class ReducedAcquisition : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const Bytes& bytes)
    {
        const std::string path = m_dir / name;
        WriteBytes(path, bytes);
        return path;
    }
    TTempDir m_dir;
};

} // namespace

TEST_F(ReducedAcquisition, ListPictureKeepsTheSizeAndPlaceOfTheFullDecode)
{
    // Scales 1/8 (both ways round), 1/2, 7/8 and full size.
    struct Case {
        int W, H;
    };
    for (const Case& c : { Case { 1700, 900 }, Case { 900, 1700 }, Case { 300, 200 }, Case { 120, 100 },
             Case { 50, 40 }, Case { 2000, 9 } }) {
        const std::string path = Write("bild.jpg", SmoothJpeg(c.W, c.H));
        TImageManager images;
        ASSERT_TRUE(AcquireImage(images, path)) << c.W << "x" << c.H;
        const TImageRecord& image = *images.GetImage(0);
        EXPECT_EQ(image.InfoText, "JPEG " + std::to_string(c.W) + "x" + std::to_string(c.H));
        BitmapPtr full = DecodeJpegFile(path, DctMethod::Fast);
        BitmapPtr expected = MakeListPicture(*full);
        ASSERT_NE(image.ListPicture, nullptr);
        EXPECT_EQ(PictureBox(*image.ListPicture), PictureBox(*expected)) << c.W << "x" << c.H;
        // The pixels come from averaged blocks instead of single pixels: close, not equal.
        long long difference = 0;
        for (int y = 0; y < ListPictureHeight; ++y)
            for (int k = 0; k < 3 * ListPictureWidth; ++k)
                difference += std::abs(image.ListPicture->Row(y)[k] - expected->Row(y)[k]);
        EXPECT_LT(difference / (3 * ListPictureWidth * ListPictureHeight), 4) << c.W << "x" << c.H;
    }
}

TEST_F(ReducedAcquisition, RefusesExactlyWhatAFullDecodeRefuses)
{
    std::vector<Bytes> files;
    const Bytes sound = SmoothJpeg(640, 480);
    for (std::size_t cut : { 2u, 20u, 200u, 700u, 2000u })
        files.emplace_back(sound.begin(), sound.begin() + static_cast<std::ptrdiff_t>(cut));
    files.emplace_back(sound.begin(), sound.begin() + static_cast<std::ptrdiff_t>(sound.size() * 3 / 4));
    Bytes flipped = sound;
    for (std::size_t i = 600; i < flipped.size(); i += 97)
        flipped[i] = static_cast<std::uint8_t>(flipped[i] ^ 0x5A);
    files.push_back(flipped);
    // A progressive file whose last scan comes again and again: refused from 1000 scans on.
    const Bytes progressive = SmoothJpeg(64, 48, true);
    const std::size_t lastScan = FindLastMarker(progressive, 0xDA);
    const std::size_t end = FindLastMarker(progressive, 0xD9);
    for (int times : { 5, 1100 }) {
        Bytes repeated(progressive.begin(), progressive.begin() + static_cast<std::ptrdiff_t>(end));
        for (int i = 0; i < times; ++i)
            repeated.insert(repeated.end(), progressive.begin() + static_cast<std::ptrdiff_t>(lastScan),
                progressive.begin() + static_cast<std::ptrdiff_t>(end));
        repeated.push_back(0xFF);
        repeated.push_back(0xD9);
        files.push_back(repeated);
    }
    int refused = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string path = Write("datei" + std::to_string(i) + ".jpg", files[i]);
        const bool decodes = DecodeJpegFile(path, DctMethod::Fast) != nullptr;
        TImageManager images;
        EXPECT_EQ(AcquireImage(images, path), decodes) << "file " << i;
        refused += decodes ? 0 : 1;
    }
    EXPECT_GE(refused, 4); // the cut headers and the endless scans
}

TEST_F(ReducedAcquisition, HeaderOnlyTakesEverythingButThePixels)
{
    const std::string path = Write("kamera.jpg",
        MakeJpeg(300, 200,
            MakeExifSegment(false, { AsciiEntry(0x0110, "Kamera"), AsciiEntry(0x0132, "2003:07:14 18:05:09") })));
    TImageManager full;
    TImageManager header;
    ASSERT_TRUE(AcquireImage(full, path));
    ASSERT_TRUE(AcquireImage(header, path, nullptr, AcquireMode::HeaderOnly));
    const TImageRecord& a = *full.GetImage(0);
    const TImageRecord& b = *header.GetImage(0);
    EXPECT_EQ(b.InfoText, "JPEG 300x200 (Kamera)");
    EXPECT_EQ(b.InfoText, a.InfoText);
    EXPECT_EQ(b.DateText, "14.07.2003 18:05");
    EXPECT_EQ(b.FileDate, a.FileDate);
    EXPECT_EQ(b.ListPicture, nullptr);
    ASSERT_NE(a.ListPicture, nullptr);
    // Only the header is looked at: damage behind it shows when the picture is read in full.
    Bytes cut = MakeJpeg(300, 200);
    cut.resize(cut.size() / 2);
    cut[cut.size() - 300] ^= 0xFF;
    EXPECT_TRUE(AcquireImage(header, Write("halb.jpg", cut), nullptr, AcquireMode::HeaderOnly));
    EXPECT_FALSE(AcquireImage(header, Write("kein.jpg", { 'k', 'e', 'i', 'n' }), nullptr, AcquireMode::HeaderOnly));
}

TEST_F(ReducedAcquisition, SeveralAtOnceLogAndListAsOneAfterTheOther)
{
    const std::string a = Write("a.jpg", SmoothJpeg(900, 700));
    const std::string b = Write("b.bmp", MakeBmp(40, 30));
    const std::string c = Write("c.jpg", MakeJpeg(64, 48));
    const std::string text = Write("notiz.txt", { 'x' });
    const std::string broken = Write("kaputt.jpg", { 0xFF, 0xD8, 0xFF });
    std::vector<std::string> paths { a, b, text, a, broken, m_dir / "fehlt.jpg", c, b };
    for (int i = 0; i < 12; ++i)
        paths.push_back(Write("x" + std::to_string(i) + ".jpg", SmoothJpeg(200 + 10 * i, 150)));

    auto add = [&](int workers, int abortOnPump) {
        TImageManager images;
        images.AddCategory("K");
        images.SetViewCategory(1);
        EXPECT_TRUE(AcquireImage(images, c)); // already in the list
        TRecordingHost host;
        host.AbortOnPump = abortOnPump;
        TAcquireOptions options;
        options.Work.Workers = workers;
        options.Work.PumpInterval = 1h;
        AddFiles(images, paths, host, options);
        std::vector<std::string> seen = host.Lines();
        for (int i = 0; i < images.ImageCount(); ++i) {
            const TImageRecord& image = *images.GetImage(i);
            seen.push_back(image.Source + " " + image.InfoText + " " + std::to_string(image.Category)
                + (image.Marked ? " marked" : ""));
            const TBitmap& list = *image.ListPicture;
            seen.emplace_back(reinterpret_cast<const char*>(list.Row(0)), 3 * list.Width() * list.Height());
        }
        return seen;
    };
    auto expectSame = [&](int abortOnPump) {
        const std::vector<std::string> one = add(1, abortOnPump);
        for (int workers : { 2, 5 })
            EXPECT_EQ(add(workers, abortOnPump), one) << workers << " workers, abort " << abortOnPump;
        return one;
    };
    const std::vector<std::string> lines = expectSame(0);
    EXPECT_EQ(lines[2], "*[1/20] Bild hinzugefügt: " + a);
    EXPECT_EQ(lines[4], "_[3/20] Unbekannter Dateityp: " + text);
    EXPECT_EQ(lines[5], "_[4/20] Bereits in der Liste: " + a);
    EXPECT_EQ(lines[6], "-[5/20] Fehler beim Hinzufügen: " + broken);
    EXPECT_EQ(lines[7], "_Datei ist unvollständig");
    EXPECT_EQ(lines[9], "_Datei nicht gefunden");
    EXPECT_EQ(lines[10], "_[7/20] Bereits in der Liste: " + c);
    EXPECT_EQ(lines[11], "_[8/20] Bereits in der Liste: " + b);
    EXPECT_EQ(lines[24], "+14 von 20 Dateien erfolgreich hinzugefügt, 2 Fehler");
    const std::vector<std::string> aborted = expectSame(4);
    EXPECT_EQ(aborted[6], "-Vorgang vom Benutzer abgebrochen");
}
