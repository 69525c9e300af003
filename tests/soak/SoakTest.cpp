// Long runs in one process: an album of 2,000 small pictures and 50 cycles of loading and saving
// its project. The resident memory must stay flat while they run: whatever one picture or one
// cycle takes, it gives back. Not part of the default test run (ctest -L soak, or scripts/soak).

#include "album/Core.h"
#include "imaging/AddFiles.h"
#include "project/LoadSave.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"
#include "support/TestPictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include <unistd.h>

using namespace korvo;
using namespace korvo::testing;
namespace fs = std::filesystem;

namespace {

constexpr int Pictures = 2000;
constexpr int Cycles = 50;

// The median of samples [first, last).
long Median(const std::vector<long>& samples, std::size_t first, std::size_t last)
{
    std::vector<long> part(
        samples.begin() + static_cast<std::ptrdiff_t>(first), samples.begin() + static_cast<std::ptrdiff_t>(last));
    std::nth_element(part.begin(), part.begin() + static_cast<std::ptrdiff_t>(part.size() / 2), part.end());
    return part[part.size() / 2];
}

// Resident memory of this process in kilobytes.
long ResidentKilobytes()
{
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

class Soak : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directory(m_dir / "in");
        const auto jpeg = MakeJpeg(64, 48,
            MakeExifSegment(false, { AsciiEntry(0x0110, "Kamera"), AsciiEntry(0x0132, "2003:07:14 18:05:09") }));
        const auto bmp = MakeBmp(48, 64);
        for (int i = 0; i < Pictures; ++i) {
            const std::string path = m_dir / ("in/bild" + std::to_string(10000 + i) + (i % 10 == 9 ? ".bmp" : ".jpg"));
            WriteBytes(path, i % 10 == 9 ? bmp : jpeg);
            Paths.push_back(path);
        }
        Config.DestDir = m_dir / "out";
        Config.Output.rm = true;
        Config.Preprocessing.Equalize = true;
    }

    TTempDir m_dir;
    std::vector<std::string> Paths;
    Configuration Config;
    TImageManager Images;
    TRecordingHost Host;
};

} // namespace

TEST_F(Soak, AlbumRunOfTwoThousandPicturesKeepsMemoryFlat)
{
    ASSERT_EQ(AddFiles(Images, Paths, Host).Added, Pictures);
    // Every picture is sampled after it is done; the first hundred let the allocator settle.
    std::vector<long> resident;
    Host.OnPump = [&resident](int) { resident.push_back(ResidentKilobytes()); };
    const AlbumRunResult result = RunAlbum(Config, Images, Host);
    EXPECT_EQ(result.Successes, Pictures);
    ASSERT_EQ(resident.size(), static_cast<std::size_t>(Pictures));
    // Worker threads keep allocator arenas of their own, so single samples jump by a few
    // megabytes; growth shows as a difference of medians.
    const long early = Median(resident, 100, 200);
    const long late = Median(resident, Pictures - 100, Pictures);
    const long peak = *std::max_element(resident.begin() + 100, resident.end());
    std::printf("album run: median %ld KB over pictures 101-200, %ld KB over the last 100, at most %ld KB\n", early,
        late, peak);
    EXPECT_LT(late - early, 4096) << "grew by " << late - early << " KB";
}

TEST_F(Soak, FiftyProjectCyclesKeepMemoryFlat)
{
    ASSERT_EQ(AddFiles(Images, Paths, Host).Added, Pictures);
    for (int i = 0; i < Images.ImageCount(); ++i)
        Images.GetImage(i)->Caption = "Bild " + std::to_string(i) + " <&> \"Grüße\"";
    const std::string project = m_dir / "album.kv2";
    std::vector<long> resident;
    for (int cycle = 0; cycle < Cycles; ++cycle) {
        // The log keeps every line by design; a host of its own per cycle keeps it out of the sum.
        TRecordingHost host;
        ASSERT_TRUE(SaveProject(project, Config, Images, host));
        Configuration loaded;
        TImageManager images;
        ASSERT_EQ(LoadProject(project, loaded, images, host).Added, Pictures);
        Images = std::move(images);
        Config = loaded;
        resident.push_back(ResidentKilobytes());
    }
    const long early = Median(resident, 5, 15);
    const long late = Median(resident, Cycles - 10, Cycles);
    const long peak = *std::max_element(resident.begin() + 5, resident.end());
    std::printf(
        "project cycles: median %ld KB over cycles 6-15, %ld KB over the last 10, at most %ld KB\n", early, late, peak);
    // 45 cycles of 2,000 pictures: even 200 bytes kept per picture and cycle would add 18 MB.
    EXPECT_LT(late - early, 16384) << "grew by " << late - early << " KB";
}
