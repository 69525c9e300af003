// "Zielverzeichnis vor der Ausgabe leeren" in a destination full of traps: only files and links
// named *.htm or *.jpg directly in the destination, and *.jpg directly in its own picture
// folders, go; folders named like pictures, pipes, what links point to, other subfolders and a
// picture folder that is itself a link stay untouched.

#include "hostile/DeepFolder.h"
#include "hostile/HostileSupport.h"
#include "support/TestPictures.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>

using namespace korvo::testing;
namespace fs = std::filesystem;

namespace {

using Lines = std::vector<std::string>;

// Every path below `folder`, relative to it, links not followed; a trailing "/" marks folders
// and "@" links.
Lines Tree(const std::string& folder)
{
    Lines paths;
    for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator(); ++it) {
        std::string path = it->path().lexically_relative(folder).string();
        if (it->is_symlink())
            path += "@";
        else if (it->is_directory())
            path += "/";
        paths.push_back(path);
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

} // namespace

TEST(Clearing, RemovesOnlyOldAlbumFilesOfTheDestinationItself)
{
    TTempDir dir;
    WriteBytes(dir / "a.jpg", MakeJpeg(16, 12));
    const std::string out = dir / "out";
    for (const char* folder : { "out", "out/ordner.jpg", "out/sub", "out/images", "fremd", "fotos" })
        fs::create_directory(dir / folder);
    for (const char* file : { "out/alt.htm", "out/ALT.JPG", "out/bleibt.txt", "out/B\xE4r.jpg", "out/B\xE4r.txt",
             "out/ordner.jpg/innen.jpg", "out/sub/x.jpg", "out/images/i.jpg", "out/images/i.htm", "fremd.jpg",
             "fremd/f.htm", "fotos/foto.jpg" })
        WriteFile(dir / file, "x");
    fs::create_symlink("loop.jpg", dir / "out/loop.jpg");
    fs::create_symlink(dir / "fremd.jpg", dir / "out/link.jpg");
    fs::create_symlink(dir / "fremd", dir / "out/ordnerlink.htm");
    fs::create_symlink(dir / "fotos", dir / "out/thumbs");
    ASSERT_EQ(::mkfifo((dir / "out/pipe.jpg").c_str(), 0600), 0);

    const ToolOutcome outcome
        = RunAlbumTool({ "--raw", "-v", "--set", "Output.rm=yes", "--set", "FileNames.Preview.UseOwnDirectory=yes",
            "--set", "FileNames.Thumbnails.UseOwnDirectory=yes", "--dest", out, dir / "a.jpg" });
    EXPECT_EQ(outcome.ExitCode, 0) << outcome.Output;
    EXPECT_TRUE(outcome.Has("*Lösche vorhandene Dateien aus " + out));

    EXPECT_EQ(Tree(dir.Path()),
        (Lines { "a.jpg", "fotos/", "fotos/foto.jpg", "fotos/thumb001.jpg", "fremd.jpg", "fremd/", "fremd/f.htm",
            "out/", "out/.korvo2-album", "out/B\xE4r.txt", "out/bleibt.txt", "out/iinfo001.htm", "out/image001.htm",
            "out/images/", "out/images/i.htm", "out/images/image001.jpg", "out/index.htm", "out/ordner.jpg/",
            "out/ordner.jpg/innen.jpg", "out/pipe.jpg", "out/sub/", "out/sub/x.jpg", "out/thumbs@" }));
}

// An own picture folder named ".." or with a path in it (from someone else's project) would
// lead the clearing step out of the destination: the run refuses it before clearing anything.
// A name for the index page cannot leave the destination either.
TEST(Clearing, OwnFoldersOutsideTheDestinationAreRefused)
{
    TTempDir dir;
    WriteBytes(dir / "a.jpg", MakeJpeg(16, 12));
    fs::create_directory(dir / "out");
    fs::create_directory(dir / "fotos");
    WriteFile(dir / "out/alt.jpg", "x");
    WriteFile(dir / "fotos/urlaub.jpg", "x");
    for (const char* folder : { "..", "../fotos", "/fotos",
             "."
             "/.." }) {
        const ToolOutcome outcome = RunAlbumTool(
            { "--raw", "--set", "Output.rm=yes", "--set", "FileNames.Thumbnails.UseOwnDirectory=yes", "--set",
                std::string("FileNames.Thumbnails.OwnDirectory=") + folder, "--dest", dir / "out", dir / "a.jpg" });
        EXPECT_EQ(outcome.ExitCode, 2) << folder;
        EXPECT_TRUE(
            outcome.Output.ends_with("\n/Erzeuge Album aus 1 Bildern\n-Kann Zielverzeichnisse nicht anlegen!\n\n"))
            << folder << "\n"
            << outcome.Output;
    }
    EXPECT_EQ(Tree(dir.Path()), (Lines { "a.jpg", "fotos/", "fotos/urlaub.jpg", "out/", "out/alt.jpg" }));

    const ToolOutcome outcome = RunAlbumTool({ "--raw", "--mode", "WithGallery", "--set",
        "FileNames.HTMLDocs.Index=../index", "--dest", dir / "out", dir / "a.jpg" });
    EXPECT_EQ(outcome.ExitCode, 0) << outcome.Output;
    EXPECT_TRUE(fs::exists(dir / "out/.._index.htm"));
    EXPECT_NE(ReadFile(dir / "out/image001.htm").find("<a href=\".._index.htm#001\">"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "index.htm"));
}

// A destination beyond the path length limit can be neither cleared nor used: the run ends
// with the directory message and the files in it stay.
TEST(Clearing, DestinationBeyondThePathLimitIsLeftAlone)
{
    TTempDir dir;
    WriteBytes(dir / "a.jpg", MakeJpeg(16, 12));
    const TDeepFolder deep(dir.Path(), 22, 200);
    deep.Write("alt.jpg", { 'x' });
    deep.Write("alt.htm", { 'x' });
    const ToolOutcome outcome
        = RunAlbumTool({ "--raw", "--set", "Output.rm=yes", "--dest", deep.Path(), dir / "a.jpg" });
    EXPECT_EQ(outcome.ExitCode, 2);
    EXPECT_TRUE(outcome.Output.ends_with("\n*Alte Dateien gelöscht\n-Kann Zielverzeichnisse nicht anlegen!\n\n"))
        << outcome.Output;
    EXPECT_TRUE(deep.Holds("alt.jpg"));
    EXPECT_TRUE(deep.Holds("alt.htm"));
}
