// "Zielverzeichnis vor der Ausgabe leeren" in a destination full of traps: only files that an
// earlier run wrote, directly in the destination or in its own picture folders, and that are
// still as written, go; folders named like pictures, pipes, links and what they point to, other
// subfolders and a picture folder that is itself a link stay untouched, whatever the record says.

#include "fileio/AlbumRecord.h"
#include "hostile/DeepFolder.h"
#include "hostile/HostileSupport.h"
#include "support/TestPictures.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>

using namespace korvo;
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

// A record planted or edited by someone else cannot lead clearing anywhere: paths outside the
// destination, "..", absolute paths, links, folders, pipes, folders deeper down, an own folder
// that is a link and sizes no file has are never deleted or followed, even with the true size
// and time of what they name. Only the files the first run wrote directly in the destination
// and its real own folder go (and are written anew).
TEST(Clearing, HostileRecordEntriesAreNeverDeletedOrFollowed)
{
    TTempDir dir;
    WriteBytes(dir / "a.jpg", MakeJpeg(16, 12));
    const std::string out = dir / "out";
    for (const char* folder : { "out", "out/ordner.jpg", "out/sub", "fremd", "fotos" })
        fs::create_directory(dir / folder);
    for (const char* file :
        { "out/B\xE4r.jpg", "out/ordner.jpg/innen.jpg", "out/sub/x.jpg", "fremd.jpg", "fremd/f.htm", "fotos/foto.jpg" })
        WriteFile(dir / file, "x");
    fs::create_symlink("loop.jpg", dir / "out/loop.jpg");
    fs::create_symlink(dir / "fremd.jpg", dir / "out/link.jpg");
    fs::create_symlink(dir / "fremd", dir / "out/ordnerlink.htm");
    fs::create_symlink(dir / "fotos", dir / "out/thumbs");
    ASSERT_EQ(::mkfifo((dir / "out/pipe.jpg").c_str(), 0600), 0);
    const std::vector<std::string> arguments { "--raw", "-v", "--set", "FileNames.Preview.UseOwnDirectory=yes", "--set",
        "FileNames.Thumbnails.UseOwnDirectory=yes", "--dest", out, dir / "a.jpg" };
    ASSERT_EQ(RunAlbumTool(arguments).ExitCode, 0);

    const std::optional<AlbumRecord> first = ReadAlbumRecord(TFolder::Open(out));
    ASSERT_TRUE(first);
    AlbumRecord hostile = *first;
    const auto stampOf = [](const std::string& path) {
        struct stat status { };
        EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
        return StampOf(status);
    };
    for (const auto& [path, target] :
        std::vector<std::pair<std::string, std::string>> { { "../fremd.jpg", dir / "fremd.jpg" },
            { dir / "fremd.jpg", dir / "fremd.jpg" }, { "images/../../fremd.jpg", dir / "fremd.jpg" },
            { "link.jpg", dir / "fremd.jpg" }, { "ordner.jpg", out + "/ordner.jpg" },
            { "ordner.jpg/innen.jpg", out + "/ordner.jpg/innen.jpg" }, { "ordnerlink.htm/f.htm", dir / "fremd/f.htm" },
            { "thumbs/foto.jpg", dir / "fotos/foto.jpg" }, { "sub/x.jpg", out + "/sub/x.jpg" },
            { "pipe.jpg", out + "/pipe.jpg" }, { ".korvo2-album", out + "/.korvo2-album" } })
        hostile.Files.push_back({ path, stampOf(target) });
    // The real size with every bit above it set, and sizes no file has.
    FileStamp huge = stampOf(out + "/B\xE4r.jpg");
    huge.Size |= 0xFFFFFFFF00000000ull;
    hostile.Files.push_back({ "B\xE4r.jpg", huge });
    hostile.Files.push_back({ "B\xE4r.jpg", { 0x7FFFFFFFFFFFFFFFull, huge.Seconds, huge.Nanoseconds } });
    std::string text = FormatAlbumRecord(hostile);
    text += "file\t18446744073709551617\t1.000000000\tB\xE4r.jpg\nfile\t1\t1.000000000\timages%2F..%2F..%2Ffremd.jpg\n";
    WriteFile(out + "/.korvo2-album", text);
    const Lines before = Tree(dir.Path());

    const ToolOutcome outcome = RunAlbumTool([&] {
        std::vector<std::string> withClearing = arguments;
        withClearing.insert(withClearing.begin() + 1, { "--set", "Output.rm=yes" });
        return withClearing;
    }());
    EXPECT_EQ(outcome.ExitCode, 0) << outcome.Output;
    EXPECT_TRUE(outcome.Has("*Lösche vorhandene Dateien aus " + out));
    // B\xE4r.jpg and the links loop.jpg, link.jpg, ordnerlink.htm; a folder or a pipe is no file.
    EXPECT_TRUE(outcome.Has("_4 fremde Dateien behalten")) << outcome.Output;
    EXPECT_EQ(Tree(dir.Path()), before);
    EXPECT_EQ(ReadFile(dir / "fremd.jpg"), "x");
    // The new record lists the files the run wrote, and of the hostile entries only the two that
    // name regular files in plain subfolders as they are (never cleared while those are no own
    // folders in use).
    const std::optional<AlbumRecord> second = ReadAlbumRecord(TFolder::Open(out));
    ASSERT_TRUE(second);
    std::vector<std::string> listed;
    for (const AlbumRecordFile& file : second->Files)
        listed.push_back(file.Path);
    EXPECT_EQ(listed,
        (Lines { "iinfo001.htm", "image001.htm", "images/image001.jpg", "index.htm", "ordner.jpg/innen.jpg",
            "sub/x.jpg", "thumbs/thumb001.jpg" }));
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
        EXPECT_TRUE(outcome.Output.ends_with("\n/Erzeuge Album aus 1 Bildern\n-Kann Zielverzeichnisse nicht anlegen!\n"
                                             "_Ungültiger Name eines Bilderverzeichnisses\n\n"))
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
// with the directory message and its reason before clearing, and the files in it stay.
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
    EXPECT_TRUE(outcome.Output.ends_with("\n/Erzeuge Album aus 1 Bildern\n-Kann Zielverzeichnisse nicht anlegen!\n"
                                         "_Pfad ist zu lang\n\n"))
        << outcome.Output;
    EXPECT_TRUE(deep.Holds("alt.jpg"));
    EXPECT_TRUE(deep.Holds("alt.htm"));
}
