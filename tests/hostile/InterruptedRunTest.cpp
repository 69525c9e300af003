// A run of korvo2-album killed at any moment leaves a destination from which the next
// incremental run makes exactly what a full run into an empty folder makes (the record aside):
// no half-written file, no stale one, no leftover of the writer.

#include "fileio/AlbumRecord.h"
#include "support/TempDir.h"
#include "support/TestPictures.h"
#include "support/ToolRun.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

using namespace korvo;
using namespace korvo::testing;
namespace fs = std::filesystem;

TEST(InterruptedRun, NextIncrementalRunEndsAsAFullRun)
{
    TTempDir dir;
    fs::create_directory(dir / "src");
    for (int i = 0; i < 8; ++i) {
        // Copied long ago: the run may keep what it made of them.
        WriteOldFile(dir / ("src/p" + std::to_string(i) + ".jpg"), MakeJpeg(200 + 16 * i, 150 + 8 * i), 1'600'000'000);
    }
    // Two settings, so that a killed run may have begun to replace one album by the other.
    const std::vector<std::vector<std::string>> settings {
        { "--set", "PreviewImages.Quality=60" },
        { "--set", "PreviewImages.Quality=80", "--set", "FileNames.Thumbnails.UseOwnDirectory=yes" },
    };
    auto arguments = [&](const std::string& dest, std::size_t variant, bool update) {
        std::vector<std::string> list { "--dest", dest, "-j", "2", "--title", "Unterbrochen" };
        list.insert(list.end(), settings[variant].begin(), settings[variant].end());
        if (update)
            list.push_back("--update");
        list.push_back(dir / "src");
        return list;
    };
    std::vector<std::map<std::string, FileBelow>> full;
    double seconds = 0;
    for (std::size_t variant = 0; variant < settings.size(); ++variant) {
        const std::string dest = dir / ("full" + std::to_string(variant));
        const ToolOutcome outcome = RunAlbumTool(arguments(dest, variant, false));
        ASSERT_EQ(outcome.ExitCode, 0) << outcome.Output;
        seconds = std::max(seconds, outcome.Seconds);
        full.push_back(FilesBelow(dest, AlbumRecordName));
    }

    std::mt19937 random(4711);
    const std::string dest = dir / "album";
    for (int round = 0; round < 24; ++round) {
        ToolLimits limits;
        limits.KillAfterMicroseconds = 1 + static_cast<int>(random() % static_cast<unsigned>(seconds * 1.2e6));
        (void)RunAlbumTool(arguments(dest, random() % 2, true), limits);
        const std::size_t variant = random() % 2;
        const ToolOutcome finished = RunAlbumTool(arguments(dest, variant, true));
        ASSERT_EQ(finished.ExitCode, 0) << finished.Output;
        const auto made = FilesBelow(dest, AlbumRecordName);
        for (const auto& [path, file] : made)
            ASSERT_TRUE(full[variant].contains(path)) << "round " << round << ": " << path << "\n" << finished.Output;
        for (const auto& [path, file] : full[variant]) {
            ASSERT_TRUE(made.contains(path)) << "round " << round << ": " << path;
            ASSERT_EQ(made.at(path).Bytes, file.Bytes) << "round " << round << ": " << path;
        }
    }
}
