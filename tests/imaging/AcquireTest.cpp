#include "imaging/Acquire.h"
#include "fileio/Folder.h"
#include "fileio/ReplacingFile.h"
#include "imaging/AddFiles.h"
#include "imaging/RotateBMP.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"
#include "support/TestPictures.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

using namespace korvo;
using namespace korvo::testing;

namespace {

BitmapPtr Solid(int width, int height)
{
    BitmapPtr bitmap = TBitmap::Create(width, height);
    bitmap->Fill(10, 20, 30);
    return bitmap;
}

} // namespace

TEST(ListPicture, FitsWithoutEnlargingAndCentres)
{
    struct Case {
        int W, H, X, Y, FitW, FitH;
    };
    for (const Case& c : { Case { 4000, 3000, 0, 0, 106, 79 }, Case { 3000, 4000, 23, 0, 60, 80 },
             Case { 50, 40, 28, 20, 50, 40 }, Case { 106, 80, 0, 0, 106, 80 }, Case { 1, 1, 52, 39, 1, 1 } }) {
        BitmapPtr source = Solid(c.W, c.H);
        BitmapPtr list = MakeListPicture(*source);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->Width(), 106);
        EXPECT_EQ(list->Height(), 80);
        const PictureBounds box = PictureBox(*list);
        EXPECT_EQ(box.Left, c.X) << c.W << "x" << c.H;
        EXPECT_EQ(box.Top, c.Y) << c.W << "x" << c.H;
        EXPECT_EQ(box.Right - box.Left, c.FitW) << c.W << "x" << c.H;
        EXPECT_EQ(box.Bottom - box.Top, c.FitH) << c.W << "x" << c.H;
    }
    // Pixel selection, no averaging: stripes of black and red stay pure colours.
    BitmapPtr two = TBitmap::Create(212, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 212; ++x) {
            std::uint8_t* p = two->Row(y) + 3 * x;
            p[0] = p[1] = 0;
            p[2] = x % 2 ? 255 : 0;
        }
    BitmapPtr list = MakeListPicture(*two);
    EXPECT_EQ(list->Row(39)[2], 0);
    EXPECT_EQ(list->Row(39)[5], 0);
}

TEST(ListPicture, TurnedListPictureIsTheTurnedPictureFittedAnew)
{
    // Quadrants of four colours: after the turn each must sit where the turned picture has it, and
    // the picture part must have the size and place a list picture of the turned picture has.
    auto quadrants = [](int w, int h) {
        BitmapPtr bitmap = TBitmap::Create(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                std::uint8_t* p = bitmap->Row(y) + 3 * x;
                const int q = (y < h / 2 ? 0 : 2) + (x < w / 2 ? 0 : 1);
                p[0] = static_cast<std::uint8_t>(q * 60);
                p[1] = static_cast<std::uint8_t>(200 - q * 40);
                p[2] = static_cast<std::uint8_t>(q % 2 ? 250 : 5);
            }
        return bitmap;
    };
    for (const auto& [w, h] : { std::pair { 400, 300 }, std::pair { 300, 400 }, std::pair { 60, 40 } }) {
        BitmapPtr full = quadrants(w, h);
        BitmapPtr list = MakeListPicture(*full);
        for (int rotate = 0; rotate < 4; ++rotate) {
            BitmapPtr turnedFull = rotate == 1 ? RotateClockwise(*full)
                : rotate == 2                  ? RotateHalfTurn(*full)
                : rotate == 3                  ? RotateCounterClockwise(*full)
                                               : CloneBitmap(*full);
            BitmapPtr expected = MakeListPicture(*turnedFull);
            BitmapPtr turned = MakeTurnedListPicture(*list, w, h, rotate);
            ASSERT_NE(turned, nullptr);
            const PictureBounds box = PictureBox(*expected);
            EXPECT_EQ(PictureBox(*turned), box) << w << "x" << h << " turned " << rotate;
            // The middle of each quadrant; a small picture sits in the list picture unscaled, so
            // its turn is exact everywhere.
            for (int y = box.Top; y < box.Bottom; ++y) {
                for (int x = box.Left; x < box.Right; ++x) {
                    const int qx = 4 * (x - box.Left) / (box.Right - box.Left);
                    const int qy = 4 * (y - box.Top) / (box.Bottom - box.Top);
                    if (w >= 106 && !((qx == 0 || qx == 3) && (qy == 0 || qy == 3)))
                        continue;
                    ASSERT_TRUE(
                        std::equal(turned->Row(y) + 3 * x, turned->Row(y) + 3 * x + 3, expected->Row(y) + 3 * x))
                        << w << "x" << h << " turned " << rotate << " at " << x << "," << y;
                }
            }
        }
    }
    BitmapPtr list = MakeListPicture(*Solid(40, 30));
    EXPECT_EQ(MakeTurnedListPicture(*list, 0, 30, 1), nullptr); // size unknown
}

TEST(ExifDateTime, ParsesTheExifFormOrFallsBack)
{
    const TDateTime fallback = 12345.5;
    const TDateTime parsed = ParseExifDateTime("2003:07:14 18:05:09", fallback);
    EXPECT_EQ(FormatListDate(parsed), "14.07.2003 18:05");
    EXPECT_EQ(DecodeDateTime(parsed).Second, 9);
    EXPECT_EQ(ParseExifDateTime("2003-07-14T18:05:09", fallback), parsed); // separators are not looked at
    for (const char* bad : { "", "2003:07:14", "0000:00:00 00:00:00", "2003:13:01 00:00:00", "2003:07:14 24:00:00",
             "2003:02:30 10:00:00", "abcd:07:14 18:05:09", "    :  :     :  :  " })
        EXPECT_EQ(ParseExifDateTime(bad, fallback), fallback) << bad;
}

class Acquisition : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes)
    {
        const std::string path = m_dir / name;
        WriteBytes(path, bytes);
        return path;
    }
    TTempDir m_dir;
    TImageManager Images;
};

TEST_F(Acquisition, ExtensionDecidesTheTypeInAnyCase)
{
    bool unknown = false;
    for (const char* name : { "a.JPG", "b.Jpeg", "c.jpeg", "d.jpg" }) {
        EXPECT_TRUE(AcquireImage(Images, Write(name, MakeJpeg(8, 6)), &unknown)) << name;
        EXPECT_FALSE(unknown);
    }
    EXPECT_TRUE(AcquireImage(Images, Write("e.BMP", MakeBmp(8, 6)), &unknown));
    for (const char* name : { "f.jpe", "g.gif", "ohne", "ordner.jpg/bild", "h.jpg.txt", "i.tiff" }) {
        EXPECT_FALSE(AcquireImage(Images, m_dir / name, &unknown)) << name;
        EXPECT_TRUE(unknown) << name;
    }
    // A BMP under a JPEG name, a folder named like a picture and missing files of every other
    // accepted kind (any case) fail to read.
    for (const std::string& path : { Write("bmp.jpg", MakeBmp(8, 6)), m_dir / "fehlt.jpg", m_dir / "fehlt.HEIC",
             m_dir / "fehlt.Heif", m_dir / "fehlt.AVIF", m_dir / "fehlt.Png", m_dir / "fehlt.WEBP" }) {
        EXPECT_FALSE(AcquireImage(Images, path, &unknown)) << path;
        EXPECT_FALSE(unknown);
    }
    std::filesystem::create_directory(m_dir / "ordner.bmp");
    EXPECT_FALSE(AcquireImage(Images, m_dir / "ordner.bmp", &unknown));
    EXPECT_EQ(Images.ImageCount(), 5);
}

TEST_F(Acquisition, FillsTheEntryFromPictureExifAndFileDate)
{
    const std::string withExif = Write("kamera.jpg",
        MakeJpeg(32, 24,
            MakeExifSegment(true, { AsciiEntry(0x0110, "  Kamera X  "), AsciiEntry(0x0132, "2003:07:14 18:05:09") })));
    const std::string plain = Write("bild.bmp", MakeBmp(64, 48));
    utimbuf times { 1000000001, 1000000001 }; // 2001-09-09 01:46:41 UTC, odd second
    ::utime(plain.c_str(), &times);

    Images.AddCategory("Zwei");
    Images.AddCategory("Drei");
    Images.SetViewCategory(2);
    ASSERT_TRUE(AcquireImage(Images, withExif));
    const TImageRecord& a = *Images.GetImage(0);
    EXPECT_EQ(a.FileName, "kamera.jpg");
    EXPECT_EQ(a.Source, withExif);
    EXPECT_EQ(a.InfoText, "JPEG 32x24 (Kamera X)");
    EXPECT_EQ(a.Width, 32);
    EXPECT_EQ(a.Height, 24);
    EXPECT_TRUE(a.Active);
    EXPECT_TRUE(a.Marked);
    EXPECT_EQ(a.DateText, "14.07.2003 18:05");
    EXPECT_EQ(a.Category, 2);
    ASSERT_NE(a.ListPicture, nullptr);
    EXPECT_EQ(a.ListPicture->Width(), 106);

    Images.SetViewCategory(0);
    ASSERT_TRUE(AcquireImage(Images, plain));
    const TImageRecord& b = *Images.GetImage(1);
    EXPECT_EQ(b.InfoText, "BMP 64x48");
    EXPECT_EQ(b.Category, 0);
    EXPECT_EQ(b.ExifDate, b.FileDate);
    const DateTimeParts fileDate = DecodeDateTime(b.FileDate); // CTest runs us with TZ=UTC
    EXPECT_EQ(fileDate.Year, 2001);
    EXPECT_EQ(fileDate.Second, 40); // cut to an even second
    EXPECT_EQ(b.DateText, "09.09.2001 01:46");
}

TEST_F(Acquisition, AddingFilesLogsEveryPathAndSelectsTheNewOnes)
{
    const std::string a = Write("a.jpg", MakeJpeg(8, 8));
    const std::string text = Write("notiz.txt", { 'x' });
    const std::string broken = Write("kaputt.jpg", { 0xFF, 0xD8, 0xFF });
    Images.AddCategory("K");
    Images.SetViewCategory(1);
    TRecordingHost host;
    AddFiles(Images, { a, text, a, broken }, host);
    EXPECT_EQ(host.Lines(),
        (std::vector<std::string> { "", "/Füge 4 Dateien hinzu", "*[1/4] Bild hinzugefügt: " + a,
            "_[2/4] Unbekannter Dateityp: " + text, "_[3/4] Bereits in der Liste: " + a,
            "-[4/4] Fehler beim Hinzufügen: " + broken, "_Datei ist unvollständig",
            "+1 von 4 Dateien erfolgreich hinzugefügt, 1 Fehler", "" }));
    EXPECT_EQ(Images.GetImage(0)->Category, 1);
    EXPECT_EQ(host.ImageListChanges, 1);
    // With a failure the log stays in view, so that its red line is seen.
    EXPECT_TRUE(host.FakeClock.Pauses.empty());
    EXPECT_EQ(host.BusyEvents.back().Target, Page::PLog);

    // A second batch: only its own pictures are marked, and they join the end of their category.
    const std::string b = Write("b.jpg", MakeJpeg(8, 8));
    const std::string upper = Write("A.jpg", MakeJpeg(8, 8));
    AddFiles(Images, { b, upper }, host);
    ASSERT_EQ(Images.ImageCount(), 3);
    EXPECT_FALSE(Images.GetImage(0)->Marked);
    EXPECT_EQ(Images.GetImage(1)->Source, b);
    EXPECT_TRUE(Images.GetImage(2)->Marked); // a path differing in case is another file
    // Without one: half a second of log, then the image list.
    EXPECT_EQ(host.FakeClock.Pauses, (std::vector<std::uint32_t> { 500 }));
    EXPECT_EQ(host.BusyEvents.back().Target, Page::PImages);

    // A picture added with damage is no failure, but its red line must be seen too.
    std::vector<std::uint8_t> cut = MakeJpeg(64, 64);
    cut.resize(cut.size() / 2);
    const AddFilesResult damaged = AddFiles(Images, { Write("halb.jpg", cut) }, host);
    EXPECT_EQ(damaged.Added, 1);
    EXPECT_EQ(host.FakeClock.Pauses.size(), 1u);
    EXPECT_EQ(host.BusyEvents.back().Target, Page::PLog);
}

TEST_F(Acquisition, AddingTurnsJpegsByTheirExifOrientationOnlyWhenAsked)
{
    // Orientation 0 stands for none; 3, 6 and 8 turn, mirrored ones and nonsense do not.
    const int expected[] = { 0, 0, 0, 2, 0, 0, 1, 0, 3, 0 };
    std::vector<std::string> paths;
    for (const bool bigEndian : { false, true })
        for (std::uint16_t orientation = 0; orientation <= 9; ++orientation) {
            const auto segment = orientation == 0
                ? std::vector<std::uint8_t> {}
                : MakeExifSegment(bigEndian, { AsciiEntry(0x0110, "Kamera"), ShortEntry(0x0112, orientation) });
            paths.push_back(
                Write(std::to_string(bigEndian) + "-" + std::to_string(orientation) + ".jpg", MakeJpeg(8, 6, segment)));
        }
    paths.push_back(Write("bild.bmp", MakeBmp(8, 6)));
    TRecordingHost host;
    TAcquireOptions options;
    options.ExifRotation = true;
    AddFiles(Images, paths, host, options);
    ASSERT_EQ(Images.ImageCount(), 21);
    for (int i = 0; i < 21; ++i)
        EXPECT_EQ(Images.GetImage(i)->Rotate, i < 20 ? expected[i % 10] : 0) << paths[i];

    TImageManager unturned;
    AddFiles(unturned, paths, host);
    ASSERT_EQ(unturned.ImageCount(), 21);
    for (int i = 0; i < 21; ++i)
        EXPECT_EQ(unturned.GetImage(i)->Rotate, 0) << paths[i];
}

TEST_F(Acquisition, AbortKeepsWhatWasAddedAndStaysOnTheLog)
{
    const std::string a = Write("a.jpg", MakeJpeg(8, 8));
    const std::string b = Write("b.jpg", MakeJpeg(8, 8));
    TRecordingHost host;
    host.AbortOnPump = 1;
    const AddFilesResult result = AddFiles(Images, { a, b }, host);
    EXPECT_TRUE(result.Aborted);
    EXPECT_EQ(Images.ImageCount(), 1);
    EXPECT_EQ(host.Lines(),
        (std::vector<std::string> { "", "/Füge 2 Dateien hinzu", "*[1/2] Bild hinzugefügt: " + a,
            "-Vorgang vom Benutzer abgebrochen", "+1 von 2 Dateien erfolgreich hinzugefügt, 0 Fehler", "" }));
    EXPECT_TRUE(host.FakeClock.Pauses.empty());
    EXPECT_EQ(host.BusyEvents.back().Target, Page::PLog);
}

TEST_F(Acquisition, RelativePathsBecomeAbsolute)
{
    const std::string a = Write("rel.jpg", MakeJpeg(8, 8));
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(m_dir.Path());
    TRecordingHost host;
    AddFiles(Images, { "rel.jpg" }, host);
    std::filesystem::current_path(previous);
    ASSERT_EQ(Images.ImageCount(), 1);
    EXPECT_EQ(Images.GetImage(0)->Source, std::filesystem::canonical(a).string());
}

namespace {

// Runs `reason` in a child without root's right to read and write anything (as "nobody"), so
// that a refused access is refused; in the process itself when it is no root.
std::string WithoutRootRights(const std::function<std::string()>& reason)
{
    if (::geteuid() != 0)
        return reason();
    int pipe[2];
    if (::pipe(pipe) != 0)
        return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipe[0]);
        const std::string text = ::setgid(65534) == 0 && ::setuid(65534) == 0 ? reason() : "no user";
        (void)!::write(pipe[1], text.data(), text.size());
        ::_exit(0);
    }
    ::close(pipe[1]);
    std::string text;
    char buffer[256];
    for (ssize_t got; (got = ::read(pipe[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(got));
    ::close(pipe[0]);
    ::waitpid(child, nullptr, 0);
    return text;
}

// A small file system of its own at `path` (root only); false where none can be mounted.
bool MountSmallDisk(const std::string& path, bool readOnly)
{
    std::filesystem::create_directory(path);
    return ::mount("tmpfs", path.c_str(), "tmpfs", readOnly ? MS_RDONLY : 0, "size=16k") == 0;
}

} // namespace

// The reason of a failure is what the failing call said: the error number of the open, read or
// write, or the decoder's verdict, each as its German text.
TEST(FailureReasons, ComeFromTheCallThatFailed)
{
    TTempDir dir;
    std::filesystem::permissions(dir.Path(), std::filesystem::perms::all);
    const std::vector<std::uint8_t> jpeg = MakeJpeg(64, 48);
    WriteBytes(dir / "secret.jpg", jpeg);
    std::filesystem::permissions(dir / "secret.jpg", std::filesystem::perms::none);
    WriteFile(dir / "png.jpg", "\x89PNG\r\n\x1a\n and more");
    WriteBytes(dir / "head.jpg", std::vector<std::uint8_t>(jpeg.begin(), jpeg.begin() + 120));
    WriteFile(dir / "empty.jpg", "");
    WriteFile(dir / "empty.bmp", "");
    WriteFile(dir / "noise.png", "not a picture at all");
    std::filesystem::create_directory(dir / "folder.jpg");
    std::filesystem::create_directory(dir / "closed");
    std::filesystem::permissions(
        dir / "closed", std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    const bool full = MountSmallDisk(dir / "full", false);
    const bool readOnly = MountSmallDisk(dir / "ro", true);

    auto reading = [&](const char* name) {
        return [path = dir / name] { return FailureText(ReadImageFile(path, AcquireMode::ListPicture).Failure); };
    };
    auto writing = [&](std::string path) {
        return [path = std::move(path)] {
            TFailure failure;
            return ReplaceFileContents(path, std::string(64 * 1024, 'x'), {}, nullptr, &failure)
                ? std::string("written")
                : FailureText(failure);
        };
    };
    struct Case {
        std::function<std::string()> Reason;
        std::string Expected;
        bool Possible = true;
        bool AsNobody = false;
    };
    const Case cases[] = {
        { reading("gone.jpg"), "Datei nicht gefunden" },
        { reading("secret.jpg"), "Keine Leseberechtigung", true, true },
        { reading("png.jpg"), "Kein JPEG (beginnt mit 89 50)" },
        { reading("head.jpg"), "Datei ist unvollständig" },
        { reading("empty.jpg"), "Datei ist leer" },
        { reading("empty.bmp"), "Datei ist leer" },
        { reading("noise.png"), "Keine lesbare PNG-Datei" },
        { reading("folder.jpg"), "Keine gewöhnliche Datei" },
        { writing(dir / "none/a.htm"), "Datei nicht gefunden" },
        { writing(dir / "full/a.htm"), "Kein Platz auf dem Datenträger", full },
        { writing(dir / "ro/a.htm"), "Datenträger ist schreibgeschützt", readOnly },
        { writing(dir / "closed/a.htm"), "Keine Schreibberechtigung", true, true },
    };
    for (const Case& c : cases) {
        if (!c.Possible)
            continue; // no file system of its own here (no root)
        EXPECT_EQ(c.AsNobody ? WithoutRootRights(c.Reason) : c.Reason(), c.Expected);
    }
    // The folder check of the album run says the same before anything is written.
    EXPECT_EQ(FoldersWriteFailure({ dir / "none/sub" }), (TFailure { FailureReason::FolderNotFound, {} }));
    EXPECT_EQ(FoldersWriteFailure({ dir / "new/", dir / "new/sub" }), TFailure {});
    if (readOnly) {
        EXPECT_EQ(FailureText(FoldersWriteFailure({ dir / "ro/" })), "Datenträger ist schreibgeschützt");
    }
    for (const char* disk : { "full", "ro" })
        ::umount2((dir / disk).c_str(), MNT_DETACH);
}
