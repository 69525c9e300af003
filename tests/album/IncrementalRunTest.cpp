// Incremental album runs: whatever changed in between, the destination ends exactly as a full run
// into an empty folder leaves its own (the record aside), and what did not change is neither
// made nor written again.

#include "album/Core.h"
#include "fileio/AlbumRecord.h"
#include "imaging/Acquire.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"
#include "support/TestPictures.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <random>

#include <sys/stat.h>

using namespace korvo;
using namespace korvo::testing;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts(1);
    for (const char c : text)
        c == separator ? (void)parts.emplace_back() : parts.back().push_back(c);
    return parts;
}

// A picture file as if copied long ago (so that the run trusts its time), with EXIF or without.
void WritePicture(const std::string& path, int width, int height, bool exif, std::int64_t seconds)
{
    WriteOldFile(path,
        MakeJpeg(width, height,
            exif ? MakeExifSegment(false, { AsciiEntry(0x0110, "Kamera") }) : std::vector<std::uint8_t> {}),
        seconds);
}

class IncrementalRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directory(m_dir / "src");
        Dest = m_dir / "inc";
        for (int i = 0; i < 5; ++i)
            AddPicture();
    }

    void AddPicture()
    {
        const std::string path = m_dir / ("src/p" + std::to_string(m_made++) + ".jpg");
        WritePicture(path, 24 + static_cast<int>(m_random() % 40), 24 + static_cast<int>(m_random() % 40),
            m_random() % 2, 1'600'000'000);
        ASSERT_TRUE(AcquireImage(Images, path));
        TImageRecord& image = *Images.GetImage(Images.ImageCount() - 1);
        image.Active = true;
        image.Category = static_cast<int>(m_random() % (Images.CategoryCount() + 1));
        Images.SortByCategory();
    }

    AlbumRunResult Run(const std::string& dest, bool incremental, int abortOnPump = 0)
    {
        fs::create_directory(dest);
        Config.DestDir = dest;
        Config.Output.Incremental = incremental;
        Host = std::make_unique<TRecordingHost>();
        Host->AbortOnPump = abortOnPump;
        return RunAlbum(Config, Images, *Host);
    }

    // One random change to the list, a picture's file or a setting of any group.
    void Change()
    {
        auto pick = [&](int n) { return static_cast<int>(m_random() % static_cast<unsigned>(n)); };
        const int index = pick(Images.ImageCount());
        TImageRecord& image = *Images.GetImage(index);
        // Every setting that reaches a file of the album, with values to choose from.
        static const std::vector<std::string> settings = Split(
            "Preprocessing.MedianFilter=on|off Preprocessing.Equalize=yes|no PreviewImages.Width=16|32|64 "
            "PreviewImages.Aspect=free|quadratic PreviewImages.Quality=50|80 PreviewImages.Progressive=yes|no "
            "ThumbnailImages.Width=16|32 ThumbnailImages.FrameSize=|1|3 ThumbnailImages.Quality=30|60 "
            "Output.Mode=NoHTML|ThumbsOnly|IndexOnly|WithGallery|WithDetails Output.ThumbsPerLine=1|3 "
            "Output.UncategorizedImages=Ignore|AtStart|AtEnd Output.FullWidth=yes|no AlbumTitle=|Album "
            "FileNames.Digits=1|3 FileNames.Preview.Template=image|bild_? FileNames.Thumbnails.Template=thumb|klein "
            "FileNames.Preview.UseOwnDirectory=yes|no FileNames.Preview.OwnDirectory=images|gross "
            "FileNames.Thumbnails.UseOwnDirectory=yes|no FileNames.Thumbnails.OwnDirectory=thumbs|images "
            "FileNames.HTMLDocs.Index=index|start FileNames.HTMLDocs.Gallery=image|seite "
            "FileNames.HTMLDocs.Details=iinfo|info Output.Layout=Classic|Modern",
            ' ');
        switch (const int change = pick(8 + static_cast<int>(settings.size()))) {
        case 0:
            image.Caption = pick(2) ? "" : "Bild " + std::to_string(pick(5));
            break;
        case 1:
            image.Active ^= true;
            break;
        case 2:
            image.Rotate = pick(4);
            break;
        case 3:
            if (Images.CategoryCount() < 3)
                Images.AddCategory("Kategorie " + std::to_string(Images.CategoryCount() + 1));
            image.Category = pick(Images.CategoryCount() + 1);
            Images.SortByCategory();
            break;
        case 4:
        case 5:
            Images.ClearMarks();
            Images.MarkImage(index);
            if (change == 5 && Images.ImageCount() > 2)
                Images.DeleteMarked();
            else
                pick(2) ? Images.MoveMarkedUp() : Images.MoveMarkedDown();
            Images.ClearMarks();
            break;
        case 6:
            if (Images.ImageCount() < 8)
                AddPicture();
            break;
        case 7: {
            // Replaced by another picture, sometimes of the same size and time as before.
            const bool same = pick(2);
            WritePicture(image.Source, same ? image.Width : 24 + pick(40), same ? image.Height : 24 + pick(40), pick(2),
                same ? 1'600'000'000 : 1'500'000'000 + pick(1000));
            break;
        }
        default:
            const std::string& setting = settings[static_cast<std::size_t>(change - 8)];
            const std::size_t equals = setting.find('=');
            const std::vector<std::string> values = Split(setting.substr(equals + 1), '|');
            ApplyFieldText(Config, *FindConfigField(setting.substr(0, equals)),
                values[static_cast<std::size_t>(pick(static_cast<int>(values.size())))]);
        }
    }

    TTempDir m_dir;
    std::mt19937 m_random { 20261209 };
    int m_made = 0;
    std::string Dest;
    Configuration Config;
    TImageManager Images;
    std::unique_ptr<TRecordingHost> Host;
};

} // namespace

// Hundreds of random change sequences; after each, the incremental destination against a full
// run into an empty folder. Now and then a run with nothing changed must make and write nothing.
TEST_F(IncrementalRun, EndsAsAFullRunIntoAnEmptyFolder)
{
    for (int step = 0; step < 300; ++step) {
        for (int changes = 1 + static_cast<int>(m_random() % 3); changes > 0; --changes)
            Change();
        const AlbumRunResult incremental = Run(Dest, true);
        const std::string full = m_dir / ("full" + std::to_string(step));
        const AlbumRunResult expected = Run(full, false);
        ASSERT_EQ(incremental.Successes, expected.Successes) << step;
        const auto made = FilesBelow(Dest, AlbumRecordName);
        const auto wanted = FilesBelow(full, AlbumRecordName);
        ASSERT_EQ(made.size(), wanted.size()) << "step " << step;
        for (const auto& [path, file] : wanted) {
            const auto found = made.find(path);
            ASSERT_TRUE(found != made.end()) << "step " << step << ": " << path;
            ASSERT_EQ(found->second.Bytes, file.Bytes) << "step " << step << ": " << path;
        }
        fs::remove_all(full);

        if (step % 10 == 9) {
            const AlbumRunResult again = Run(Dest, true);
            EXPECT_EQ(again.Kept, again.Successes) << step;
            EXPECT_EQ(again.Removed, 0);
            const auto after = FilesBelow(Dest, AlbumRecordName);
            for (const auto& [path, file] : made)
                EXPECT_EQ(after.at(path).ModifiedNanoseconds, file.ModifiedNanoseconds)
                    << "step " << step << ": " << path;
        }
    }
}

// A kept picture has one grey line, verbose or not; the last grey line counts what was made,
// kept and removed; a picture that leaves the album takes its four files with it. While another
// run holds the destination, a run is refused.
TEST_F(IncrementalRun, KeptPicturesHaveOneGreyLineAndTheRunCountsThem)
{
    fs::create_directory(Dest);
    {
        const TFolder other = TFolder::Open(Dest);
        ASSERT_TRUE(other.Lock());
        EXPECT_TRUE(Run(Dest, true).DestinationBusy);
        EXPECT_EQ(Host->Lines(),
            (std::vector<std::string> { "", "/Erzeuge Album aus 5 Bildern",
                "-Zielverzeichnis wird gerade von einem anderen Lauf benutzt!", "" }));
        EXPECT_TRUE(fs::is_empty(Dest));
    }
    Run(Dest, true);
    std::vector<std::string> sources;
    for (int index = Images.FirstInAlbum(); index >= 0; index = Images.GetImage(index)->Next)
        sources.push_back(Images.GetImage(index)->Source);
    ASSERT_EQ(sources.size(), 5u);
    auto expected = [&](int count, int reached, const std::string& summary) {
        std::vector<std::string> lines { "", "/Erzeuge Album aus " + std::to_string(count) + " Bildern" };
        for (int i = 0; i < reached; ++i)
            lines.push_back(
                "_[" + std::to_string(i + 1) + "/" + std::to_string(count) + "] unverändert: " + sources[i]);
        lines.push_back("*Schreibe Index: " + Dest + "/index.htm");
        if (reached < count)
            lines.push_back("-Vorgang vom Benutzer abgebrochen");
        lines.push_back(summary);
        lines.push_back("+" + std::to_string(reached) + " von " + std::to_string(count)
            + " Bildern erfolgreich umgewandelt in 0 Sekunden");
        lines.push_back("");
        return lines;
    };
    Config.Verbose = true;
    Run(Dest, true);
    EXPECT_EQ(Host->Lines(), expected(5, 5, "_0 Bilder neu erzeugt, 5 unverändert, 0 alte Dateien entfernt"));
    // An abort removes nothing: the pictures not reached still need their files.
    Images.GetImage(Images.FindBySource(sources[4]))->Active = false;
    Run(Dest, true, 2);
    EXPECT_EQ(Host->Lines(), expected(4, 2, "_0 Bilder neu erzeugt, 2 unverändert, 0 alte Dateien entfernt"));
    EXPECT_TRUE(fs::exists(Dest + "/image005.jpg"));

    const AlbumRunResult shrunk = Run(Dest, true);
    EXPECT_EQ(Host->Lines(), expected(4, 4, "_0 Bilder neu erzeugt, 4 unverändert, 4 alte Dateien entfernt"));
    EXPECT_EQ(shrunk.Removed, 4);
    EXPECT_FALSE(fs::exists(Dest + "/image005.jpg"));
}

// A damaged record keeps no picture; a forged one keeps nothing and deletes nothing outside the
// rules (a path out of the folder, an own folder that is a link); the album comes out as before.
TEST_F(IncrementalRun, DamagedOrHostileRecordsAreNotTrusted)
{
    Run(Dest, true);
    const std::string record = Dest + "/" + std::string(AlbumRecordName);
    const std::string text = ReadFile(record);
    ASSERT_EQ(ParseAlbumRecord(text)->Pictures.size(), 5u);
    std::string flipped = text;
    flipped[text.size() / 2] ^= 1;
    for (const std::string& damaged :
        { text.substr(0, text.size() - 7), flipped, std::string(text).replace(text.rfind("\tthumb") - 1, 1, "#") })
        EXPECT_TRUE(ParseAlbumRecord(damaged)->Pictures.empty()) << damaged;

    const std::string outside = m_dir / "outside";
    fs::create_directory(outside);
    WriteFile(outside + "/image009.jpg", "fremd");
    struct stat status { };
    ::lstat((outside + "/image009.jpg").c_str(), &status);
    AlbumRecord forged;
    forged.Files = { { "../outside/image009.jpg", StampOf(status) }, { "link/image009.jpg", StampOf(status) } };
    WriteFile(record, FormatAlbumRecord(forged));
    fs::create_directory_symlink(outside, Dest + "/link");
    const auto before = FilesBelow(Dest, AlbumRecordName);
    EXPECT_EQ(Run(Dest, true).Kept, 0);
    const auto after = FilesBelow(Dest, AlbumRecordName);
    ASSERT_EQ(after.size(), before.size());
    for (const auto& [path, file] : before)
        EXPECT_EQ(after.at(path).Bytes, file.Bytes) << path;
    EXPECT_EQ(ReadFile(outside + "/image009.jpg"), "fremd");
}
