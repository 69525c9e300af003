// korvo2-album never replaces the user's pictures: a run whose output would take the place of a
// source picture is refused before any file changes.

#include "support/TempDir.h"
#include "support/TestPictures.h"
#include "support/ToolRun.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include <sys/stat.h>
#include <unistd.h>

using namespace korvo::testing;
namespace fs = std::filesystem;

namespace {

// Every entry below `folder`, links not followed: a file's bytes and modification time, a
// link's target, or a folder mark.
std::map<std::string, std::string> Snapshot(const std::string& folder)
{
    std::map<std::string, std::string> entries;
    for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator(); ++it) {
        const std::string path = it->path().lexically_relative(folder).string();
        struct stat status { };
        ::lstat(it->path().c_str(), &status);
        if (S_ISLNK(status.st_mode))
            entries[path] = "@" + fs::read_symlink(it->path()).string();
        else if (S_ISDIR(status.st_mode))
            entries[path] = "/";
        else
            entries[path] = ReadFile(it->path().string()) + "|" + std::to_string(status.st_mtim.tv_sec) + "."
                + std::to_string(status.st_mtim.tv_nsec);
    }
    return entries;
}

} // namespace

// Pictures named like the album's files (as cameras and exports name them), reached by their
// name written another way, through a linked folder, as a hard link or through an own picture
// folder that is a link: the run ends before anything changes.
TEST(CommandLineOriginals, OutputThatWouldReplaceASourceRefusesTheRun)
{
    TTempDir dir;
    for (const char* folder : { "fotos", "andere", "out" })
        fs::create_directory(dir / folder);
    // An earlier album in the photo folder: its record lists image001.jpg, which is used as a
    // picture now, so clearing would take it, were the run not refused first.
    WriteBytes(dir / "fotos/alt.jpg", MakeJpeg(20, 20));
    ASSERT_EQ(RunToolInShell("--dest " + dir / "fotos " + dir / "fotos/alt.jpg").ExitCode, 0);
    WriteBytes(dir / "fotos/thumb002.jpg", MakeJpeg(30, 40));
    WriteBytes(dir / "andere/urlaub.jpg", MakeJpeg(20, 20));
    fs::create_directory_symlink(dir / "fotos", dir / "verknuepft");
    ASSERT_EQ(::link((dir / "andere/urlaub.jpg").c_str(), (dir / "out/image002.htm").c_str()), 0);

    fs::create_directory_symlink(dir / "andere", dir / "out/images");
    const struct {
        std::string Destination;
        std::vector<std::string> Sources;
        std::string Colliding;
        std::string Settings = {};
    } cases[] = {
        { dir / "fotos", { dir / "andere/urlaub.jpg", dir / "fotos/image001.jpg" }, dir / "fotos/image001.jpg" },
        { dir / "fotos", { dir / "andere/urlaub.jpg", dir.Path() + "//fotos/./image001.jpg" },
            dir.Path() + "//fotos/./image001.jpg" },
        { dir / "fotos", { dir / "verknuepft/thumb002.jpg", dir / "verknuepft/image001.jpg" },
            dir / "verknuepft/thumb002.jpg" },
        { dir / "out", { dir / "andere/urlaub.jpg", dir / "fotos/image001.jpg" }, dir / "andere/urlaub.jpg" },
        { dir / "out", { dir / "andere/image002.jpg", dir / "fotos/image001.jpg" }, dir / "andere/image002.jpg",
            " --set FileNames.Preview.UseOwnDirectory=yes" },
    };
    WriteBytes(dir / "andere/image002.jpg", MakeJpeg(20, 20));
    for (const auto& test : cases) {
        const auto before = Snapshot(dir.Path());
        std::string arguments = "--raw --set Output.rm=yes" + test.Settings + " --dest " + test.Destination;
        for (const std::string& source : test.Sources)
            arguments += " " + source;
        const ToolOutcome outcome = RunToolInShell(arguments);
        EXPECT_EQ(outcome.ExitCode, 2) << outcome.Output;
        EXPECT_TRUE(outcome.Output.ends_with("\n/Erzeuge Album aus 2 Bildern\n"
                                             "-Zielverzeichnis enthält Originalbilder, die überschrieben würden: "
            + test.Colliding + "\n\n"))
            << outcome.Output;
        EXPECT_EQ(Snapshot(dir.Path()), before) << test.Colliding;
    }
}
