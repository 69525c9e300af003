#include "album/Core.h"
#include "fileio/AlbumRecord.h"
#include "imaging/Acquire.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"
#include "support/TestPictures.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <thread>

using namespace korvo;
using namespace korvo::testing;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

using Lines = std::vector<std::string>;
using Files = std::map<std::string, std::string>;

TWorkOptions Workers(int workers, std::chrono::milliseconds pumpInterval = 1h)
{
    TWorkOptions options;
    options.Workers = workers;
    options.PumpInterval = pumpInterval;
    return options;
}

// An album with every kind of picture and of failure: JPEGs and a BMP, all four turns, one
// that cannot be read any more, one too flat for a thumbnail, one whose thumbnail cannot be
// written.
class ParallelRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directory(m_dir / "src");
        Dest = m_dir / "out";
        Config.DestDir = Dest;
        Config.Output.Mode = OutputMode::WithDetails;
        Add("a.jpg", MakeJpeg(64, 48));
        Add("b.bmp", MakeBmp(30, 40));
        Add("c.jpg", MakeJpeg(200, 150), 1);
        Add("d.jpg", MakeJpeg(150, 200), 2);
        const std::string broken = Add("kaputt.jpg", MakeJpeg(40, 30));
        WriteFile(broken, "kein JPEG mehr");
        Add("flach.jpg", MakeJpeg(600, 2));
        Add("e.jpg", MakeJpeg(90, 70), 3);
        Add("f.jpg", MakeJpeg(700, 500));
        Add("g.jpg", MakeJpeg(33, 77));
        Add("h.jpg", MakeJpeg(500, 300));
    }

    std::string Add(const std::string& name, const std::vector<std::uint8_t>& bytes, int rotate = 0)
    {
        const std::string path = m_dir / ("src/" + name);
        WriteBytes(path, bytes);
        EXPECT_TRUE(AcquireImage(Images, path)) << path;
        Images.GetImage(Images.ImageCount() - 1)->Rotate = rotate;
        return path;
    }

    // Every file of the destination, by name (the album's record without the times, which differ
    // from run to run); then the destination is emptied for the next run. The thumbnail of
    // picture 7 cannot be written: a folder has its name.
    Files TakeOutput()
    {
        Files files;
        if (fs::exists(Dest)) {
            for (const auto& entry : fs::directory_iterator(Dest))
                if (entry.is_regular_file())
                    files[entry.path().filename().string()] = ReadFile(entry.path().string());
            if (std::optional<AlbumRecord> record = ParseAlbumRecord(files[std::string(AlbumRecordName)])) {
                for (AlbumRecordFile& file : record->Files)
                    file.Stamp.Seconds = file.Stamp.Nanoseconds = 0;
                files[std::string(AlbumRecordName)] = FormatAlbumRecord(*record);
            }
            fs::remove_all(Dest);
        }
        fs::create_directories(Dest + "/thumb007.jpg");
        return files;
    }

    TTempDir m_dir;
    std::string Dest;
    Configuration Config;
    TImageManager Images;
};

} // namespace

TEST_F(ParallelRun, WritesTheFilesAndLogOfAOneWorkerRunWithVerboseToggled)
{
    TakeOutput();
    // "-v" pressed after every second picture, so both kinds of lines come up.
    auto run = [this](int workers) {
        Config.Verbose = false;
        TRecordingHost host;
        host.OnPump = [this](int pump) {
            if (pump % 2 == 0)
                Config.Verbose = !Config.Verbose;
        };
        const AlbumRunResult result = RunAlbum(Config, Images, host, Workers(workers));
        EXPECT_EQ(result.Successes, 7) << workers;
        EXPECT_EQ(host.EventPumps, 10) << workers; // once after each picture, never while waiting
        return host.Lines();
    };
    const Lines one = run(1);
    const Files oneFiles = TakeOutput();
    for (int workers : { 2, 3, 8 }) {
        EXPECT_EQ(run(workers), one) << workers;
        EXPECT_TRUE(TakeOutput() == oneFiles) << workers;
    }

    // The lines themselves: a failed reading, a failed sizing and a failed writing, each in the
    // style of the "-v" setting at the time the picture's lines were logged.
    const std::string src = m_dir / "src/";
    EXPECT_EQ(one[2], "*[1/10] " + src + "a.jpg");
    EXPECT_EQ(one[4], "*[3/10] Bearbeite " + src + "c.jpg");
    EXPECT_EQ(Lines(one.begin() + 14, one.begin() + 25),
        (Lines { "-[5/10] Fehler: " + src + "kaputt.jpg", "_Kein JPEG (beginnt mit 6B 65)",
            "-[6/10] Fehler: " + src + "flach.jpg", "_Bild ist zu schmal für diese Größe",
            "*[7/10] Bearbeite " + src + "e.jpg", "_[7/10] Erzeuge Vorschaubild: " + Dest + "/image007.jpg",
            "_[7/10] Erzeuge Thumbnail: " + Dest + "/thumb007.jpg", "-[7/10] Fehler beim Schreiben",
            "_Keine gewöhnliche Datei", "_[7/10] Schreibe Galeriendatei: " + Dest + "/image007.htm",
            "_[7/10] Schreibe Details-Datei: " + Dest + "/iinfo007.htm" }));
    for (const char* name : { "image001.jpg", "thumb001.jpg", "image003.jpg", "image010.htm", "iinfo010.htm" })
        EXPECT_EQ(oneFiles.count(name), 1u) << name;
    EXPECT_EQ(oneFiles.count("image005.jpg"), 0u);
    EXPECT_EQ(oneFiles.count("thumb006.jpg"), 0u);
    EXPECT_EQ(oneFiles.count("image006.jpg"), 1u);
}

TEST_F(ParallelRun, AbortEndsAfterTheCurrentPictureLikeAOneWorkerRun)
{
    TakeOutput();
    auto run = [this](int workers, int abortOnPump) {
        TRecordingHost host;
        host.AbortOnPump = abortOnPump;
        const AlbumRunResult result = RunAlbum(Config, Images, host, Workers(workers));
        EXPECT_TRUE(result.Aborted);
        return host.Lines();
    };
    for (int abortOnPump : { 1, 3, 9 }) {
        const Lines one = run(1, abortOnPump);
        const Files oneFiles = TakeOutput();
        EXPECT_EQ(run(4, abortOnPump), one) << abortOnPump;
        EXPECT_TRUE(TakeOutput() == oneFiles) << abortOnPump;
        // The pictures before the abort (with the reasons of the three failing ones), the index,
        // the abort line, the summary.
        EXPECT_EQ(one.size(), static_cast<std::size_t>(abortOnPump) + 6 + (abortOnPump >= 7 ? 3 : 0));
        EXPECT_EQ(one[one.size() - 3], "-Vorgang vom Benutzer abgebrochen");
        EXPECT_EQ(oneFiles.count(
                      "image" + std::string(abortOnPump < 9 ? "00" : "0") + std::to_string(abortOnPump + 1) + ".jpg"),
            0u);
    }
}

TEST_F(ParallelRun, LetsTheHostProcessEventsOnItsOwnThreadWhileWaiting)
{
    TakeOutput();
    // The host is pumped at least once per picture, always on the thread that started the run.
    // Whether a wait adds more depends on how fast the workers are (the ordered work's own test
    // covers pumping while waiting).
    TRecordingHost host;
    const std::thread::id caller = std::this_thread::get_id();
    bool foreignThread = false;
    host.OnPump = [&](int) { foreignThread = foreignThread || std::this_thread::get_id() != caller; };
    const AlbumRunResult result = RunAlbum(Config, Images, host, Workers(2, 0ms));
    EXPECT_EQ(result.Successes, 7);
    EXPECT_GE(host.EventPumps, 10);
    EXPECT_FALSE(foreignThread);
    TakeOutput();

    // An abort pressed while the first picture is still being made: that picture is finished
    // and logged, none after it.
    TRecordingHost aborting;
    aborting.AbortOnPump = 1;
    RunAlbum(Config, Images, aborting, Workers(3, 0ms));
    const Lines& lines = aborting.Lines();
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[2], "*[1/10] " + m_dir / "src/a.jpg");
    EXPECT_EQ(lines[3], "*Thumbnail-Übersicht geschrieben");
    EXPECT_FALSE(fs::exists(Dest + "/image002.jpg"));
}
