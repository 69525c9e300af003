// The acquisition cache: the same list and log with it as without it, a changed file read
// again, every failure of the cache a silent fallback, and least recently used pictures dropped.

#include "cache/CacheDatabase.h"
#include "cache/Sqlite.h"
#include "imaging/AddFiles.h"
#include "imaging/CachedAcquire.h"
#include "project/LoadSave.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"
#include "support/TestPictures.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>

using namespace korvo;
using namespace korvo::testing;

namespace {

struct TRun {
    std::vector<std::string> Lines;
    TImageManager Images;
};

// What an operation leaves, with the cache in `folder` or (empty folder) without one.
TRun AddWith(const std::vector<std::string>& paths, const std::string& folder, AcquireMode mode,
    std::string* notice = nullptr, TCacheSettings settings = {}, bool showListPicture = true, bool defer = false)
{
    TRun run;
    TRecordingHost host;
    TAcquireOptions options;
    options.Mode = mode;
    options.ShowListPicture = showListPicture;
    options.DeferListPicture = defer;
    options.Work.Workers = 2;
    std::optional<TCacheDatabase> cache;
    if (!folder.empty()) {
        settings.Folder = folder;
        cache.emplace(settings);
        options.Cache = &*cache;
    }
    AddFiles(run.Images, paths, host, options);
    run.Lines = host.Lines();
    if (notice && cache)
        *notice = cache->Notice();
    return run;
}

// Entries equal field by field; list pictures equal, or (`encoded`, through the cache's JPEG)
// within 1.5 levels on average and never more than 48 apart at a single hard edge.
void ExpectSameList(const TImageManager& expected, const TImageManager& actual, bool encoded)
{
    ASSERT_EQ(expected.ImageCount(), actual.ImageCount());
    for (int i = 0; i < expected.ImageCount(); ++i) {
        const TImageRecord& e = *expected.GetImage(i);
        const TImageRecord& a = *actual.GetImage(i);
        SCOPED_TRACE(e.Source);
        EXPECT_EQ(e.Source, a.Source);
        EXPECT_EQ(e.InfoText, a.InfoText);
        EXPECT_EQ(e.DateText, a.DateText);
        EXPECT_EQ(e.FileDate, a.FileDate);
        EXPECT_EQ(e.ExifDate, a.ExifDate);
        EXPECT_EQ(e.Width, a.Width);
        EXPECT_EQ(e.Height, a.Height);
        EXPECT_EQ(e.Rotate, a.Rotate);
        ASSERT_EQ(e.ListPicture == nullptr, a.ListPicture == nullptr);
        if (!e.ListPicture)
            continue;
        int worst = 0;
        double total = 0;
        for (int y = 0; y < ListPictureHeight; ++y)
            for (int x = 0; x < 3 * ListPictureWidth; ++x) {
                const int difference = std::abs(e.ListPicture->Row(y)[x] - a.ListPicture->Row(y)[x]);
                worst = std::max(worst, difference);
                total += difference;
            }
        EXPECT_LE(worst, encoded ? 48 : 0);
        EXPECT_LE(total / (3 * ListPictureWidth * ListPictureHeight), encoded ? 1.5 : 0);
    }
}

class Cache : public ::testing::Test {
protected:
    // Pictures of every kind acquisition tells apart, a missing one and a non-picture.
    std::vector<std::string> MakePictures()
    {
        std::vector<std::string> paths;
        const auto exif = [](const char* model, const char* date, int orientation) {
            return MakeExifSegment(false,
                { AsciiEntry(0x0110, model), ShortEntry(0x0112, static_cast<std::uint16_t>(orientation)),
                    AsciiEntry(0x0132, date) });
        };
        WriteBytes(m_dir / "a.jpg", MakeJpeg(640, 480, exif("Kamera A", "2003:07:14 18:05:09", 6)));
        WriteBytes(m_dir / "b.JPEG", MakeJpeg(90, 300, exif("", "0000:00:00 00:00:00", 3)));
        WriteBytes(m_dir / "c.jpg", MakeJpeg(37, 23));
        WriteBytes(m_dir / "d.bmp", MakeBmp(200, 120));
        std::vector<std::uint8_t> cut = MakeJpeg(64, 64);
        cut.resize(cut.size() / 2);
        WriteBytes(m_dir / "cut.jpg", cut);
        WriteFile(m_dir / "text.txt", "kein Bild");
        for (const char* name : { "a.jpg", "b.JPEG", "c.jpg", "d.bmp", "cut.jpg", "text.txt", "gone.jpg", "a.jpg" })
            paths.push_back(m_dir / name);
        return paths;
    }

    TTempDir m_dir;
    TTempDir m_cache;
};

} // namespace

TEST_F(Cache, ListAndLogAreThoseOfARunWithoutItAndAChangedFileIsReadAgain)
{
    const std::vector<std::string> paths = MakePictures();
    for (AcquireMode mode : { AcquireMode::ListPicture, AcquireMode::HeaderOnly }) {
        SCOPED_TRACE(mode == AcquireMode::ListPicture ? "list pictures" : "headers only");
        const std::string folder = m_cache / (mode == AcquireMode::ListPicture ? "l" : "h");
        const TRun plain = AddWith(paths, "", mode);
        const TRun filling = AddWith(paths, folder, mode);
        const TRun cached = AddWith(paths, folder, mode);
        EXPECT_EQ(plain.Lines, filling.Lines);
        EXPECT_EQ(plain.Lines, cached.Lines);
        ExpectSameList(plain.Images, filling.Images, false);
        ExpectSameList(plain.Images, cached.Images, true);
        // The readable pictures, once each; the one cut short only from its header, since a
        // damaged picture is read anew every time to report its damage.
        EXPECT_EQ(TCacheDatabase({ folder }).Count(), mode == AcquireMode::ListPicture ? 4 : 5);
        // Unshown, the list pictures from the cache are not decoded; all else stays. The damaged
        // picture is read anew, list picture and all.
        const TRun unshown = AddWith(paths, folder, mode, nullptr, {}, false);
        EXPECT_EQ(plain.Lines, unshown.Lines);
        for (int i = 0; i < unshown.Images.ImageCount(); ++i)
            EXPECT_EQ(unshown.Images.GetImage(i)->ListPicture == nullptr,
                mode == AcquireMode::HeaderOnly || unshown.Images.GetImage(i)->FileName != "cut.jpg");
    }

    // Deferred, the list pictures from the cache wait encoded, then decode to the eager ones'
    // bytes; the damaged picture, read anew, has its own at once.
    const std::string folder = m_cache / "l";
    const TRun eager = AddWith(paths, folder, AcquireMode::ListPicture);
    const TRun deferred = AddWith(paths, folder, AcquireMode::ListPicture, nullptr, {}, true, true);
    EXPECT_EQ(eager.Lines, deferred.Lines);
    int waiting = 0;
    for (int i = 0; i < deferred.Images.ImageCount(); ++i) {
        const TImageRecord& d = *deferred.Images.GetImage(i);
        waiting += d.EncodedListPicture && !d.EncodedListPicture->Decoded() && !d.ListPicture;
        const TBitmap* shown = d.ShownListPicture();
        const TBitmap* expected = eager.Images.GetImage(i)->ListPicture.get();
        ASSERT_EQ(shown == nullptr, expected == nullptr) << d.Source;
        for (int y = 0; shown && y < ListPictureHeight; ++y)
            EXPECT_TRUE(std::equal(shown->Row(y), shown->Row(y) + 3 * ListPictureWidth, expected->Row(y)));
    }
    EXPECT_EQ(waiting, 4); // a, b, c and d

    // Loading a project goes through the cache the same way.
    const TRun plain = AddWith(paths, "", AcquireMode::ListPicture);
    TRecordingHost saver;
    ASSERT_TRUE(SaveProject(m_dir / "p.kv2", Configuration {}, plain.Images, saver));
    std::vector<std::string> loadLines[2];
    TImageManager loaded[2];
    for (int withCache = 0; withCache < 2; ++withCache) {
        TRecordingHost host;
        Configuration config;
        TCacheDatabase cache({ folder });
        TAcquireOptions options;
        options.Cache = withCache ? &cache : nullptr;
        LoadProject(m_dir / "p.kv2", config, loaded[withCache], host, options);
        loadLines[withCache] = host.Lines();
    }
    EXPECT_EQ(loadLines[0], loadLines[1]);
    ExpectSameList(loaded[0], loaded[1], true);

    // Another picture under the same name and size, a touched one, and one swapped for a copy
    // (same bytes and time, another inode) are all read anew.
    std::filesystem::rename(m_dir / "c.jpg", m_dir / "c-old.jpg");
    WriteBytes(m_dir / "c.jpg", MakeJpeg(23, 37));
    std::filesystem::copy_file(m_dir / "d.bmp", m_dir / "d-copy.bmp");
    std::filesystem::rename(m_dir / "d-copy.bmp", m_dir / "d.bmp");
    const TRun changedPlain = AddWith(paths, "", AcquireMode::ListPicture);
    const TRun changedCached = AddWith(paths, folder, AcquireMode::ListPicture);
    EXPECT_EQ(changedPlain.Lines, changedCached.Lines);
    ExpectSameList(changedPlain.Images, changedCached.Images, true);
    EXPECT_EQ(changedCached.Images.GetImage(2)->InfoText, "JPEG 23x37");
}

TEST_F(Cache, EveryFailureMeansWorkingWithoutItWithOneLineAtMost)
{
    const std::vector<std::string> paths = MakePictures();
    const TRun plain = AddWith(paths, "", AcquireMode::ListPicture);
    const std::string folder = m_cache / "k";
    const std::string database = folder + "/" + CacheFileName;
    const auto sql = [&](const char* statements) {
        int code = 0;
        TSqliteDatabase db = TSqliteDatabase::Open(database, code);
        ASSERT_EQ(db.Execute(statements), SqliteOk) << statements;
    };
    struct Case {
        const char* Name;
        std::function<void()> Prepare;
        std::string Notice; // how the one line begins; empty: no line
        bool Kept; // pictures are in the cache afterwards
    };
    const std::vector<Case> cases = {
        { "folder is a file",
            [&] {
                std::filesystem::remove_all(folder);
                WriteFile(folder, "x");
            },
            "Zwischenspeicher nicht verwendet, Ordner nicht anlegbar: ", false },
        { "garbage", [&] { WriteFile(database, std::string(5000, 'x')); },
            "Zwischenspeicher war beschädigt und ist neu angelegt", true },
        { "cut short",
            [&] {
                AddWith(paths, folder, AcquireMode::ListPicture);
                std::filesystem::resize_file(database, 3000);
            },
            "Zwischenspeicher war beschädigt und ist neu angelegt", true },
        { "foreign", [&] { sql("CREATE TABLE fotos (x); INSERT INTO fotos VALUES (1)"); },
            "Zwischenspeicher nicht verwendet, fremde Datei: ", false },
        { "newer",
            [&] {
                AddWith(paths, folder, AcquireMode::ListPicture);
                sql("DELETE FROM pictures; PRAGMA user_version = 7");
            },
            "Zwischenspeicher nicht verwendet, Datenbank einer anderen Programmversion: ", false },
        { "older", [&] { sql("CREATE TABLE pictures (path); PRAGMA application_id = 1263940163"); }, "", true },
        { "other layout",
            [&] {
                sql("CREATE TABLE pictures (path); PRAGMA application_id = 1263940163; "
                    "PRAGMA user_version = 2");
            },
            "Zwischenspeicher war beschädigt und ist neu angelegt", true },
        { "a link",
            [&] {
                std::filesystem::create_directories(folder);
                std::filesystem::create_symlink(m_dir / "elsewhere.sqlite", database);
            },
            "Zwischenspeicher nicht verwendet, Datenbank nicht zu öffnen: ", false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        c.Prepare();
        std::string notice;
        TRun run = AddWith(paths, folder, AcquireMode::ListPicture, &notice);
        std::vector<std::string> lines = run.Lines;
        if (c.Notice.empty()) {
            EXPECT_EQ(notice, "");
        } else {
            ASSERT_GE(lines.size(), 3u);
            EXPECT_TRUE(lines[2].starts_with("_" + c.Notice)) << lines[2];
            lines.erase(lines.begin() + 2);
        }
        EXPECT_EQ(plain.Lines, lines);
        ExpectSameList(plain.Images, run.Images, false);
        EXPECT_EQ(TCacheDatabase({ folder }).Count(), c.Kept ? 4 : 0); // the sound pictures
    }

    // Another process holding the database: wait briefly, then work without it.
    std::filesystem::remove_all(folder);
    AddWith(paths, folder, AcquireMode::ListPicture);
    int code = 0;
    TSqliteDatabase holder = TSqliteDatabase::Open(database, code);
    ASSERT_EQ(holder.Execute("PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE; DELETE FROM pictures"), SqliteOk);
    TCacheSettings quick;
    quick.BusyMilliseconds = 50;
    std::string notice;
    TRun held = AddWith(paths, folder, AcquireMode::ListPicture, &notice, quick);
    EXPECT_TRUE(notice.starts_with("Zwischenspeicher nicht verwendet, von einem anderen Vorgang gesperrt")) << notice;
    ASSERT_GE(held.Lines.size(), 3u);
    held.Lines.erase(held.Lines.begin() + 2);
    EXPECT_EQ(plain.Lines, held.Lines);
    std::string problem;
    EXPECT_FALSE(ClearAcquireCache({ folder, 1 << 20, 50 }, problem));
    holder.Execute("ROLLBACK");
    holder.Close();
    EXPECT_TRUE(ClearAcquireCache({ folder }, problem)) << problem;
    EXPECT_EQ(TCacheDatabase({ folder }).Count(), 0);
}

TEST_F(Cache, DropsTheLeastRecentlyUsedPicturesBeyondItsLimit)
{
    TCacheSettings settings { m_cache / "t", 256 * 1024, 2000 };
    const std::vector<std::uint8_t> listPicture(6000, 0x55);
    const auto store = [&](TCacheDatabase& cache, int first, int last) {
        for (int i = first; i < last; ++i) {
            cache.Store("/p/" + std::to_string(i), { { 1, i, 0 }, 1, 1 }, { "JPEG ", 1, 1, "", "", 0, listPicture });
            if (i % 10 == 9)
                cache.Flush();
        }
        cache.Flush();
    };
    const auto has = [&](TCacheDatabase& cache, int i) {
        TCachedPicture picture;
        return cache.Find("/p/" + std::to_string(i), { { 1, i, 0 }, 1, 1 }, true, picture);
    };
    {
        TCacheDatabase cache(settings);
        store(cache, 0, 30);
        cache.Used("/p/0");
        cache.Used("/p/1");
        cache.Flush();
        store(cache, 30, 60);
        EXPECT_LE(cache.UsedBytes(), settings.SizeLimit);
        EXPECT_TRUE(has(cache, 0) && has(cache, 1) && has(cache, 59));
        EXPECT_FALSE(has(cache, 2));
        EXPECT_GT(cache.Count(), 20);
    }
    // The file stays near the limit however much goes through it.
    {
        TCacheDatabase cache(settings);
        store(cache, 60, 400);
        EXPECT_TRUE(has(cache, 399));
    }
    EXPECT_LE(std::filesystem::file_size(settings.Folder + "/" + CacheFileName), 2u * settings.SizeLimit);
}

TEST_F(Cache, AnOperationReadsInOneTransactionAndKeepsTheNewestUsesAsTheyAre)
{
    const std::string folder = m_cache / "u";
    const FileIdentity identity { { 1, 2, 3 }, 4, 5 };
    const TCachedPicture stored { "JPEG ", 1, 1, "", "", 0, std::vector<std::uint8_t>(100, 0x55) };
    const auto stamps = [&] {
        int code = 0;
        TSqliteDatabase db = TSqliteDatabase::Open(folder + "/" + CacheFileName, code);
        std::string text;
        for (const char* path : { "/a", "/b", "/c" }) {
            const std::string query
                = std::string("SELECT coalesce(max(used), 0) FROM pictures WHERE path = CAST('") + path + "' AS BLOB)";
            text += std::to_string(db.QueryInteger(query.c_str(), code)) + " ";
        }
        return text;
    };
    TCacheDatabase cache({ folder });
    TCachedPicture found;
    cache.Store("/a", identity, stored);
    cache.Store("/b", identity, stored);
    cache.Flush();
    EXPECT_EQ(stamps(), "1 1 0 ");
    // Already the newest: used again without a write.
    ASSERT_TRUE(cache.Find("/a", identity, true, found));
    cache.Used("/a");
    cache.Flush();
    EXPECT_EQ(stamps(), "1 1 0 ");

    // Another process writes while this one reads; the next operation sees it.
    ASSERT_TRUE(cache.Find("/a", identity, true, found));
    {
        TCacheDatabase other({ folder });
        other.Store("/c", identity, stored);
        other.Flush();
    }
    cache.Used("/a");
    cache.Flush();
    EXPECT_EQ(stamps(), "1 1 2 ");
    // No longer the newest: the use is written, so "/b" is now the least recently used.
    ASSERT_TRUE(cache.Find("/c", identity, true, found));
    ASSERT_TRUE(cache.Find("/a", identity, true, found));
    cache.Used("/c");
    cache.Used("/a");
    cache.Used("/b"); // a use reported without a look-up is always written
    cache.Flush();
    EXPECT_EQ(stamps(), "3 3 2 ");
}
