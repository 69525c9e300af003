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
#include <functional>
#include <map>
#include <memory>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>

using namespace korvo;
using namespace korvo::testing;
namespace fs = std::filesystem;

namespace {

// A picture file that looks as if it was copied long ago, so that the run trusts its time.
void WritePicture(const std::string& path, int width, int height, bool exif, std::int64_t seconds)
{
    const std::string fresh = path + ".neu";
    WriteBytes(fresh,
        MakeJpeg(width, height,
            exif ? MakeExifSegment(false, { AsciiEntry(0x0110, "Kamera") }) : std::vector<std::uint8_t> {}));
    fs::rename(fresh, path);
    const struct timespec times[2] = { { seconds, 0 }, { seconds, 0 } };
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
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

    AlbumRunResult Run(const std::string& dest, bool incremental)
    {
        fs::create_directory(dest);
        Config.DestDir = dest;
        Config.Output.Incremental = incremental;
        Host = std::make_unique<TRecordingHost>();
        return RunAlbum(Config, Images, *Host);
    }

    // One random change to the list, a setting or a picture's file.
    void Change()
    {
        auto pick = [&](int n) { return static_cast<int>(m_random() % static_cast<unsigned>(n)); };
        auto any = [&]() -> TImageRecord& { return *Images.GetImage(pick(Images.ImageCount())); };
        auto& names = Config.FileNames;
        const std::vector<std::function<void()>> changes {
            [&] { any().Caption = pick(2) ? "" : "Bild " + std::to_string(pick(5)); },
            [&] { any().Active ^= true; },
            [&] {
                any().Category = pick(Images.CategoryCount() + 1);
                Images.SortByCategory();
            },
            [&] { any().Rotate = pick(4); },
            [&] {
                Images.ClearMarks();
                Images.MarkImage(pick(Images.ImageCount()));
                pick(2) ? Images.MoveMarkedUp() : Images.MoveMarkedDown();
                Images.ClearMarks();
            },
            [&] {
                if (Images.CategoryCount() < 3)
                    Images.AddCategory("Kategorie " + std::to_string(Images.CategoryCount() + 1));
            },
            [&] {
                if (Images.ImageCount() < 8)
                    AddPicture();
            },
            [&] {
                if (Images.ImageCount() < 2)
                    return;
                Images.ClearMarks();
                Images.MarkImage(pick(Images.ImageCount()));
                Images.DeleteMarked();
            },
            [&] {
                // Replaced by another picture, sometimes of the same size and time as before.
                TImageRecord& image = any();
                const bool same = pick(2);
                WritePicture(image.Source, same ? image.Width : 24 + pick(40), same ? image.Height : 24 + pick(40),
                    pick(2), same ? 1'600'000'000 : 1'500'000'000 + pick(1000));
            },
            [&] { Config.Preprocessing.MedianFilter ^= true; },
            [&] { Config.Preprocessing.Equalize ^= true; },
            [&] { Config.PreviewImages.SetWidth(16 * (1 + pick(4))); },
            [&] { Config.PreviewImages.SetAspect(pick(2) ? Aspect::free : Aspect::quadratic); },
            [&] { Config.PreviewImages.Quality = 50 + pick(40); },
            [&] { Config.PreviewImages.Progressive ^= true; },
            [&] { Config.ThumbnailImages.SetWidth(16 * (1 + pick(2))); },
            [&] { Config.ThumbnailImages.SetFrameSize(pick(4)); },
            [&] { Config.ThumbnailImages.Quality = 30 + pick(40); },
            [&] { Config.Output.Mode = static_cast<OutputMode>(pick(5)); },
            [&] { Config.Output.ThumbsPerLine = 1 + pick(4); },
            [&] { Config.Output.UncategorizedImages = static_cast<UncategorizedPlacement>(pick(3)); },
            [&] { Config.Output.FullWidth ^= true; },
            [&] { Config.AlbumTitle = "Album " + std::to_string(pick(3)); },
            [&] { names.Digits = 1 + pick(3); },
            [&] { names.Preview.Template = pick(2) ? "image" : "bild_?"; },
            [&] { names.Thumbnails.Template = pick(2) ? "thumb" : "klein"; },
            [&] { names.Preview.UseOwnDirectory ^= true; },
            [&] { names.Preview.OwnDirectory = pick(2) ? "images" : "gross"; },
            [&] { names.Thumbnails.UseOwnDirectory ^= true; },
            [&] { names.Thumbnails.OwnDirectory = pick(2) ? "thumbs" : "images"; },
            [&] { names.HTMLDocs.Index = pick(2) ? "index" : "start"; },
            [&] { names.HTMLDocs.Gallery = pick(2) ? "image" : "seite"; },
            [&] { names.HTMLDocs.Details = pick(2) ? "iinfo" : "info"; },
        };
        changes[static_cast<std::size_t>(pick(static_cast<int>(changes.size())))]();
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
// kept and removed; a picture that leaves the album takes its four files with it.
TEST_F(IncrementalRun, KeptPicturesHaveOneGreyLineAndTheRunCountsThem)
{
    Run(Dest, true);
    std::vector<std::string> sources;
    for (int index = Images.FirstInAlbum(); index >= 0; index = Images.GetImage(index)->Next)
        sources.push_back(Images.GetImage(index)->Source);
    ASSERT_EQ(sources.size(), 5u);
    auto expected = [&](int count, const std::string& summary) {
        std::vector<std::string> lines { "", "/Erzeuge Album aus " + std::to_string(count) + " Bildern" };
        for (int i = 0; i < count; ++i)
            lines.push_back(
                "_[" + std::to_string(i + 1) + "/" + std::to_string(count) + "] unverändert: " + sources[i]);
        lines.push_back("*Schreibe Index: " + Dest + "/index.htm");
        lines.push_back(summary);
        lines.push_back("+" + std::to_string(count) + " von " + std::to_string(count)
            + " Bildern erfolgreich umgewandelt in 0 Sekunden");
        lines.push_back("");
        return lines;
    };
    Config.Verbose = true;
    Run(Dest, true);
    EXPECT_EQ(Host->Lines(), expected(5, "_0 Bilder neu erzeugt, 5 unverändert, 0 alte Dateien entfernt"));

    Images.GetImage(Images.FindBySource(sources[4]))->Active = false;
    const AlbumRunResult shrunk = Run(Dest, true);
    EXPECT_EQ(Host->Lines(), expected(4, "_0 Bilder neu erzeugt, 4 unverändert, 4 alte Dateien entfernt"));
    EXPECT_EQ(shrunk.Removed, 4);
    EXPECT_FALSE(fs::exists(Dest + "/image005.jpg"));
}

TEST_F(IncrementalRun, SecondRunOnTheSameDestinationIsRefused)
{
    fs::create_directory(Dest);
    const TFolder other = TFolder::Open(Dest);
    ASSERT_TRUE(other.Lock());
    const AlbumRunResult refused = Run(Dest, true);
    EXPECT_TRUE(refused.DestinationBusy);
    EXPECT_EQ(Host->Lines(),
        (std::vector<std::string> {
            "", "/Erzeuge Album aus 5 Bildern", "-Zielverzeichnis wird gerade von einem anderen Lauf benutzt!", "" }));
    EXPECT_TRUE(fs::is_empty(Dest));
}

// A record that is damaged, cut, behind a link or hand-made keeps nothing and deletes nothing
// outside its rules; the album comes out as before.
TEST_F(IncrementalRun, DamagedOrHostileRecordsAreNotTrusted)
{
    Config.FileNames.Thumbnails.UseOwnDirectory = true;
    const std::string outside = m_dir / "outside";
    fs::create_directory(outside);
    WriteFile(outside + "/image009.jpg", "fremd");
    struct stat status { };
    ::lstat((outside + "/image009.jpg").c_str(), &status);
    const std::string record = Dest + "/" + std::string(AlbumRecordName);
    const std::vector<std::pair<const char*, std::function<void(std::string&)>>> cases {
        { "changed path", [](std::string& text) { text[text.rfind("\tthumb") - 1] ^= 1; } },
        { "cut", [](std::string& text) { text.resize(text.size() - 7); } },
        { "flipped", [](std::string& text) { text[text.size() / 2] ^= 0x20; } },
        { "hand-made",
            [&](std::string&) {
                AlbumRecord forged;
                forged.Files
                    = { { "../outside/image009.jpg", StampOf(status) }, { "link/image009.jpg", StampOf(status) } };
                fs::create_directory_symlink(outside, Dest + "/link");
                WriteFile(record, FormatAlbumRecord(forged));
            } },
        { "link",
            [&](std::string& text) {
                WriteFile(m_dir / "elsewhere", text);
                fs::remove(record);
                fs::create_symlink(m_dir / "elsewhere", record);
            } },
    };
    for (const auto& [name, damage] : cases) {
        fs::remove_all(Dest);
        Run(Dest, true);
        const auto before = FilesBelow(Dest, AlbumRecordName);
        std::string text = ReadFile(record);
        damage(text);
        if (!fs::is_symlink(record) && std::string_view(name) != "hand-made")
            WriteFile(record, text);
        const AlbumRunResult again = Run(Dest, true);
        EXPECT_EQ(again.Kept, 0) << name;
        const auto after = FilesBelow(Dest, AlbumRecordName);
        ASSERT_EQ(after.size(), before.size()) << name;
        for (const auto& [path, file] : before)
            EXPECT_EQ(after.at(path).Bytes, file.Bytes) << name << ": " << path;
        EXPECT_EQ(ReadFile(outside + "/image009.jpg"), "fremd") << name;
    }
}
