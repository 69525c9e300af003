// korvo2-album never destroys the user's pictures: clearing in the photos' own folder deletes
// only what the previous run wrote, and a run whose output would replace a source picture is
// refused before any file changes.

#include "cli/ShellRun.h"
#include "support/TempDir.h"
#include "support/TestPictures.h"

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

std::vector<std::string> Names(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& [path, entry] : Snapshot(folder))
        names.push_back(path);
    return names;
}

} // namespace

TEST(CommandLineOriginals, ClearingInThePhotoFolderKeepsOriginalsAndForeignFiles)
{
    TTempDir dir;
    const std::string fotos = dir / "fotos";
    fs::create_directory(fotos);
    WriteBytes(fotos + "/a.jpg", MakeJpeg(40, 30));
    WriteBytes(fotos + "/b.jpg", MakeJpeg(30, 40));
    WriteBytes(fotos + "/nicht-im-album.jpg", MakeJpeg(20, 20));
    WriteFile(fotos + "/seite.htm", "eigene Seite");
    const std::string rm = "--raw --set Output.rm=yes --mode WithDetails --dest " + fotos + " ";

    // Without a record the first run deletes nothing.
    ShellOutcome outcome = RunToolInShell(rm + fotos + "/a.jpg " + fotos + "/b.jpg");
    EXPECT_EQ(outcome.ExitCode, 0) << outcome.Output;
    EXPECT_NE(outcome.Output.find("\n*Alte Dateien gelöscht\n_4 fremde Dateien behalten\n"), std::string::npos)
        << outcome.Output;
    const auto originals = Snapshot(fotos);

    // The second run without b: b's files of the first run go, the details page the user
    // replaced stays, and every original and foreign file is untouched.
    WriteFile(fotos + "/iinfo002.htm", "meine Notizen");
    outcome = RunToolInShell(rm + fotos + "/a.jpg");
    EXPECT_EQ(outcome.ExitCode, 0) << outcome.Output;
    EXPECT_NE(outcome.Output.find("\n_5 fremde Dateien behalten\n"), std::string::npos) << outcome.Output;
    EXPECT_EQ(Names(fotos),
        (std::vector<std::string> { ".korvo2-album", "a.jpg", "b.jpg", "iinfo001.htm", "iinfo002.htm", "image001.htm",
            "image001.jpg", "index.htm", "nicht-im-album.jpg", "seite.htm", "thumb001.jpg" }));
    for (const char* kept : { "a.jpg", "b.jpg", "nicht-im-album.jpg", "seite.htm" })
        EXPECT_EQ(Snapshot(fotos).at(kept), originals.at(kept)) << kept;
    EXPECT_EQ(ReadFile(fotos + "/iinfo002.htm"), "meine Notizen");
}

// Pictures named like the album's files (as cameras and exports name them), reached by their
// name, through a linked folder or as a hard link: the run ends before anything changes.
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

    const struct {
        std::string Destination;
        std::vector<std::string> Sources;
        std::string Colliding;
    } cases[] = {
        { dir / "fotos", { dir / "andere/urlaub.jpg", dir / "fotos/image001.jpg" }, dir / "fotos/image001.jpg" },
        { dir / "fotos", { dir / "verknuepft/thumb002.jpg", dir / "verknuepft/image001.jpg" },
            dir / "verknuepft/thumb002.jpg" },
        { dir / "out", { dir / "andere/urlaub.jpg", dir / "fotos/image001.jpg" }, dir / "andere/urlaub.jpg" },
    };
    for (const auto& test : cases) {
        const auto before = Snapshot(dir.Path());
        std::string arguments = "--raw --set Output.rm=yes --dest " + test.Destination;
        for (const std::string& source : test.Sources)
            arguments += " " + source;
        const ShellOutcome outcome = RunToolInShell(arguments);
        EXPECT_EQ(outcome.ExitCode, 2) << outcome.Output;
        EXPECT_TRUE(outcome.Output.ends_with("\n/Erzeuge Album aus 2 Bildern\n"
                                             "-Zielverzeichnis enthält Originalbilder, die überschrieben würden: "
            + test.Colliding + "\n\n"))
            << outcome.Output;
        EXPECT_EQ(Snapshot(dir.Path()), before) << test.Colliding;
    }
}
