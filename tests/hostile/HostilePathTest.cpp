// Paths that are no pictures, or no usable destinations, through korvo2-album: folders named like
// pictures, symlink loops, named pipes, files that open but cannot be read, names that are not
// valid UTF-8, paths beyond the system's length limit, and output names that are already taken.

#include "hostile/DeepFolder.h"
#include "hostile/HostileSupport.h"
#include "support/TestPictures.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

#include <sys/stat.h>

using namespace korvo::testing;
namespace fs = std::filesystem;

namespace {

using Lines = std::vector<std::string>;

// "B\xE4r.jpg" as an old Latin-1 archive names it; the log shows the broken byte as U+FFFD.
const std::string Latin1Name = "B\xE4r.jpg";
const std::string Latin1Shown = "B\uFFFDr.jpg";

std::string Shown(const std::string& path)
{
    const std::size_t at = path.find(Latin1Name);
    return at == std::string::npos ? path : path.substr(0, at) + Latin1Shown + path.substr(at + Latin1Name.size());
}

} // namespace

TEST(HostilePaths, PathsThatAreNoPicturesFailOneByOne)
{
    TTempDir dir;
    const TDeepFolder deep(dir.Path(), 22, 200);
    ASSERT_GT(deep.Path().size(), static_cast<std::size_t>(PATH_MAX));
    deep.Write("tief.jpg", MakeJpeg(16, 16));

    WriteBytes(dir / "a.jpg", MakeJpeg(24, 16));
    WriteBytes(dir / Latin1Name, MakeJpeg(16, 24));
    fs::create_symlink("loop.jpg", dir / "loop.jpg");
    fs::create_symlink("pong.bmp", dir / "ping.bmp");
    fs::create_symlink("ping.bmp", dir / "pong.bmp");
    fs::create_symlink("fehlt.jpg", dir / "dangling.jpg");
    ASSERT_EQ(::mkfifo((dir / "pipe.jpg").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((dir / "pipe.bmp").c_str(), 0600), 0);
    // Regular files that open but cannot be read: the tool's own memory file reads nothing.
    fs::create_symlink("/proc/self/mem", dir / "mem.jpg");
    fs::create_symlink("/proc/self/mem", dir / "mem.bmp");
    fs::create_symlink("/dev/zero", dir / "zero.jpg");
    const std::string longName = std::string(300, 'n') + ".jpg";

    const std::vector<HostileInput> inputs { { dir / "a.jpg", true }, { dir / "loop.jpg", false },
        { dir / "ping.bmp", false }, { dir / "dangling.jpg", false }, { dir / "pipe.jpg", false },
        { dir / "pipe.bmp", false }, { dir / "mem.jpg", false }, { dir / "mem.bmp", false },
        { dir / "zero.jpg", false }, { dir / longName, false }, { deep.Path() + "/tief.jpg", false },
        { dir / Latin1Name, true } };
    std::vector<std::string> arguments { "--raw", "--mode", "WithGallery", "--dest", dir / "out" };
    std::vector<HostileInput> shown;
    for (const HostileInput& input : inputs) {
        arguments.push_back(input.Path);
        shown.push_back({ Shown(input.Path), input.Readable });
    }
    const ToolOutcome outcome = RunAlbumTool(arguments, { .Seconds = 60 });
    EXPECT_EQ(outcome.ExitCode, 1);
    EXPECT_TRUE(LogMatches(outcome, ExpectedRunLines(shown, true), 2, 2));

    // The page shows the broken name as the replacement character and stays windows-1250.
    const std::string index = ReadFile(dir / "out/index.htm");
    EXPECT_NE(index.find("alt=\"B&#65533;r\" title=\"B&#65533;r\""), std::string::npos) << index;
    EXPECT_NE(ReadFile(dir / "out/image002.htm").find("<th valign=\"top\">B&#65533;r</th>"), std::string::npos);
}

// A project may list anything as a picture: folders named like pictures and the other paths
// above each fail on their own line, and the rest of the list is read.
TEST(HostilePaths, ProjectListingFoldersAndPipes)
{
    TTempDir dir;
    fs::create_directory(dir / "ordner.jpg");
    fs::create_directory(dir / "ordner.bmp");
    WriteBytes(dir / "ordner.jpg/innen.jpg", MakeJpeg(8, 8));
    ASSERT_EQ(::mkfifo((dir / "pipe.jpg").c_str(), 0600), 0);
    const std::string project = dir / "liste.kv2";
    WriteFile(project,
        "<Korvo2Project><ImageList Count=\"4\"><Category><Image Source=\"" + dir / "ordner.jpg"
            + "\" /><Image Source=\"" + dir / "ordner.bmp" + "\" /><Image Source=\"" + dir / "pipe.jpg"
            + "\" /><Image Source=\"" + dir / "ordner.jpg/innen.jpg" + "\" /></Category></ImageList></Korvo2Project>");
    const ToolOutcome outcome = RunAlbumTool({ "--raw", "--no-run", project }, { .Seconds = 60 });
    EXPECT_EQ(outcome.ExitCode, 1);
    EXPECT_EQ(outcome.Lines,
        (Lines { "", "/Lese Projektdatei " + project, "-Keine Konfigurationsdaten",
            "-[1/4] Fehler beim Hinzufügen: " + dir / "ordner.jpg", "_Keine gewöhnliche Datei",
            "-[2/4] Fehler beim Hinzufügen: " + dir / "ordner.bmp", "_Keine gewöhnliche Datei",
            "-[3/4] Fehler beim Hinzufügen: " + dir / "pipe.jpg", "_Keine gewöhnliche Datei",
            "*[4/4] Bild hinzugefügt: " + dir / "ordner.jpg/innen.jpg", "+1 von 4 Dateien erfolgreich hinzugefügt",
            "" }));
}

// A project saved with a picture whose name is not UTF-8 holds the name's bytes as they are, next
// to texts in UTF-8: loading it finds the picture again and keeps the texts, and saving it again
// gives the same file.
TEST(HostilePaths, ProjectWithANameThatIsNotUtf8)
{
    TTempDir dir;
    WriteBytes(dir / Latin1Name, MakeJpeg(16, 12));
    WriteBytes(dir / "b.jpg", MakeJpeg(12, 16));
    const std::string first = dir / "erst.kv2";
    ToolOutcome outcome = RunAlbumTool({ "--raw", "--no-run", "--mode", "WithGallery", "--title", "Grüße aus Köln",
        "--dest", dir / "album", "--save", first, dir / Latin1Name, dir / "b.jpg" });
    ASSERT_EQ(outcome.ExitCode, 0) << outcome.Output;
    const std::string saved = ReadFile(first);
    EXPECT_NE(saved.find("Source=\"" + dir / Latin1Name + "\""), std::string::npos);
    EXPECT_NE(saved.find("Value=\"Grüße aus Köln\""), std::string::npos);

    const std::string second = dir / "zweit.kv2";
    outcome = RunAlbumTool({ "--raw", "--save", second, first });
    EXPECT_EQ(outcome.ExitCode, 0) << outcome.Output;
    EXPECT_TRUE(outcome.Has("*[1/2] Bild hinzugefügt: " + Shown(dir / Latin1Name)));
    EXPECT_TRUE(outcome.Has("+2 von 2 Bildern erfolgreich umgewandelt in 0 Sekunden"));
    EXPECT_EQ(ReadFile(second), saved);
    EXPECT_NE(ReadFile(dir / "album/index.htm")
                  .find("<h1>Gr\xFC\xDF"
                        "e aus K\xF6ln</h1>"),
        std::string::npos);
}

// Destinations that cannot hold an album end the run before any picture; output names taken by
// folders, and names longer than a file name may be, fail that file and the run goes on.
TEST(HostilePaths, DestinationsAndOutputNamesThatAreTaken)
{
    TTempDir dir;
    WriteBytes(dir / "a.jpg", MakeJpeg(24, 16));
    WriteFile(dir / "datei", "x");
    const TDeepFolder deep(dir.Path(), 22, 200);

    const auto refused = [&](std::vector<std::string> arguments, const std::string& reason) {
        arguments.insert(arguments.begin(), "--raw");
        arguments.push_back(dir / "a.jpg");
        const ToolOutcome outcome = RunAlbumTool(arguments);
        EXPECT_EQ(outcome.ExitCode, 2) << outcome.Output;
        EXPECT_TRUE(outcome.Output.ends_with("\n-Kann Zielverzeichnisse nicht anlegen!\n_" + reason + "\n\n"))
            << outcome.Output;
    };
    refused({ "--dest", dir / "datei" }, "Kein Verzeichnis");
    refused({ "--dest", deep.Path() }, "Pfad ist zu lang");
    refused({ "--dest", deep.Path() + "/neu" }, "Pfad ist zu lang");
    fs::create_directory(dir / "album");
    WriteFile(dir / "album/images", "schon da");
    refused({ "--dest", dir / "album", "--set", "FileNames.Preview.UseOwnDirectory=yes" }, "Kein Verzeichnis");

    // The preview, the gallery page and the index are folders already; the thumbnail's name is
    // too long for a file name. Each fails; the details page is written.
    for (const char* taken : { "album/image001.jpg", "album/image001.htm", "album/index.htm" })
        fs::create_directory(dir / taken);
    const ToolOutcome outcome = RunAlbumTool({ "--raw", "-v", "--dest", dir / "album", "--set",
        "FileNames.Thumbnails.Template=" + std::string(300, 't'), dir / "a.jpg" });
    EXPECT_EQ(outcome.ExitCode, 1);
    const std::string thumbnail = dir / "album/" + std::string(300, 't') + "001.jpg";
    EXPECT_EQ(outcome.Starting("-"),
        (Lines { "-[1/1] Fehler beim Schreiben", "-[1/1] Fehler beim Schreiben", "-[1/1] Fehler beim Schreiben",
            "-Fehler beim Schreiben der Thumbnail-Übersicht" }));
    EXPECT_TRUE(outcome.Has("_[1/1] Erzeuge Thumbnail: " + thumbnail));
    EXPECT_TRUE(outcome.Has("+0 von 1 Bildern erfolgreich umgewandelt in 0 Sekunden"));
    EXPECT_TRUE(fs::is_regular_file(dir / "album/iinfo001.htm"));
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir / "album"))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(
        names, (Lines { ".korvo2-album", "iinfo001.htm", "image001.htm", "image001.jpg", "images", "index.htm" }));
}
