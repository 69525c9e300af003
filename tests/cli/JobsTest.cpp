#include "cli/Options.h"
#include "imaging/Jpeg.h"
#include "support/TempDir.h"
#include "support/TestPictures.h"
#include "support/ToolRun.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

using namespace korvo;
using namespace korvo::testing;

namespace {

ToolOutcome RunRaw(const std::string& arguments) { return RunToolInShell("--raw " + arguments); }

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

} // namespace

TEST(CommandLineJobs, TakesAWorkerCountAndRefusesNonsense)
{
    CliOptions options;
    std::string error;
    ASSERT_TRUE(ParseCommandLine({ "-j", "3", "a.jpg" }, options, error));
    EXPECT_EQ(options.Jobs, 3);
    options = {};
    ASSERT_TRUE(ParseCommandLine({ "--jobs=1" }, options, error));
    EXPECT_EQ(options.Jobs, 1);
    for (const char* bad : { "0", "-2", "viele", "5000" }) {
        options = {};
        EXPECT_FALSE(ParseCommandLine({ "-j", bad }, options, error)) << bad;
        EXPECT_EQ(error, "Ungültige Anzahl für -j: " + std::string(bad));
    }
    EXPECT_EQ(CliOptions().Jobs, 0); // every core
}

TEST(CommandLineJobs, AnyWorkerCountWritesTheSameAlbumAndDamageShowsInTheRun)
{
    TTempDir dir;
    std::filesystem::create_directory(dir / "fotos");
    for (int i = 0; i < 6; ++i)
        WriteBytes(dir / ("fotos/" + std::to_string(i) + ".jpg"), MakeJpeg(60 + 13 * i, 45));

    const ToolOutcome one = RunRaw("-j 1 --dest " + dir / "a1 " + dir / "fotos");
    const ToolOutcome three = RunRaw("-j 3 --dest " + dir / "a3 " + dir / "fotos");
    EXPECT_EQ(one.ExitCode, 0) << one.Output;
    EXPECT_EQ(three.ExitCode, 0);
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir / "a1")) {
        const std::string name = entry.path().filename().string();
        ++files;
        if (name == ".korvo2-album")
            continue; // the times of the files differ
        EXPECT_EQ(ReadFile(entry.path().string()), ReadFile(dir / ("a3/" + name))) << name;
    }
    EXPECT_EQ(files, 6 * 4 + 1 + 1);

    // A progressive file whose last scan repeats without end has a sound header; only reading
    // its data refuses it. Adding before a run reads headers only, so the run reports it;
    // without a run adding reads it as the window does and reports it at once.
    BitmapPtr picture = TBitmap::Create(16, 16);
    picture->Fill(10, 20, 30);
    std::vector<std::uint8_t> file;
    ASSERT_TRUE(EncodeJpegMemory(*picture, 75, true, file));
    std::size_t lastScan = 0;
    for (std::size_t i = 2; i + 1 < file.size(); ++i)
        if (file[i] == 0xFF && file[i + 1] == 0xDA)
            lastScan = i;
    const std::size_t end = file.size() - 2; // the end marker
    std::vector<std::uint8_t> endless(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(end));
    for (int i = 0; i < 1100; ++i)
        endless.insert(endless.end(), file.begin() + static_cast<std::ptrdiff_t>(lastScan),
            file.begin() + static_cast<std::ptrdiff_t>(end));
    endless.push_back(0xFF);
    endless.push_back(0xD9);
    const std::string path = dir / "endlos.jpg";
    WriteBytes(path, endless);

    const ToolOutcome checked = RunRaw("--no-run --dest " + dir / "a4 " + path);
    EXPECT_EQ(checked.ExitCode, 1);
    EXPECT_TRUE(Contains(checked.Output, "-[1/1] Fehler beim Hinzufügen: " + path)) << checked.Output;
    const ToolOutcome run = RunRaw("--dest " + dir / "a4 " + path);
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_TRUE(Contains(run.Output, "*[1/1] Bild hinzugefügt: " + path)) << run.Output;
    EXPECT_TRUE(Contains(run.Output, "-[1/1] Fehler: " + path)) << run.Output;
}
