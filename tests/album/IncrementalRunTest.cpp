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

struct AlbumFile {
    std::string Bytes;
    FileStamp Stamp;
};

// Every regular file below `folder` but the album's record, by relative path.
std::map<std::string, AlbumFile> AlbumFiles(const std::string& folder)
{
    std::map<std::string, AlbumFile> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        struct stat status { };
        const std::string path = fs::relative(entry.path(), folder).string();
        if (path != AlbumRecordName && ::lstat(entry.path().c_str(), &status) == 0 && S_ISREG(status.st_mode))
            files[path] = { ReadFile(entry.path()), StampOf(status) };
    }
    return files;
}

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
        const auto made = AlbumFiles(Dest);
        const auto wanted = AlbumFiles(full);
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
            const auto after = AlbumFiles(Dest);
            for (const auto& [path, file] : made)
                EXPECT_EQ(after.at(path).Stamp, file.Stamp) << "step " << step << ": " << path;
        }
    }
}
