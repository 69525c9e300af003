#include "cli/Options.h"
#include "imaging/AddFiles.h"
#include "support/TempDir.h"
#include "support/TestPictures.h"
#include "support/ToolRun.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

using namespace korvo;
using namespace korvo::testing;

namespace {

ToolOutcome RunTool(const std::string& arguments) { return RunToolInShell(arguments); }

bool Parse(std::vector<std::string> arguments, CliOptions& options, std::string& error)
{
    options = {};
    error.clear();
    return ParseCommandLine(arguments, options, error);
}

} // namespace

TEST(CommandLine, ParsesOptionsAndRefusesBadUsage)
{
    CliOptions options;
    std::string error;
    ASSERT_TRUE(Parse({ "--dest", "out", "-v", "--mode=IndexOnly", "--set", "PreviewImages.Width=800", "--title",
                          "Ferien", "--raw", "a.jpg", "--", "-b.jpg" },
        options, error));
    EXPECT_EQ(options.Dest, "out");
    EXPECT_EQ(options.Title, "Ferien");
    EXPECT_TRUE(options.Verbose);
    EXPECT_TRUE(options.Raw);
    EXPECT_EQ(options.Mode, OutputMode::IndexOnly);
    ASSERT_EQ(options.Sets.size(), 1u);
    EXPECT_EQ(options.Sets[0].first, ConfigField::PreviewWidth);
    EXPECT_EQ(options.Paths, (std::vector<std::string> { "a.jpg", "-b.jpg" }));

    ASSERT_TRUE(Parse({ "--layout", "Modern" }, options, error));
    EXPECT_EQ(options.Layout, PageLayout::Modern);
    EXPECT_FALSE(Parse({ "--layout=modern2" }, options, error));
    EXPECT_EQ(error, "Unbekannte Seitengestaltung: modern2");
    EXPECT_FALSE(Parse({ "--mode", "Galerie" }, options, error));
    EXPECT_EQ(error, "Unbekannter Modus: Galerie");
    EXPECT_FALSE(Parse({ "--set", "Preview.Width=3" }, options, error));
    EXPECT_EQ(error, "Unbekannte Einstellung: Preview.Width");
    EXPECT_FALSE(Parse({ "--set", "Verbose" }, options, error));
    EXPECT_FALSE(Parse({ "--dest" }, options, error));
    EXPECT_EQ(error, "Option --dest braucht einen Wert");
    EXPECT_FALSE(Parse({ "--verbose=1" }, options, error));
    EXPECT_FALSE(Parse({ "-x" }, options, error));
    EXPECT_EQ(error, "Unbekannte Option: -x");
}

TEST(CommandLine, SettingsApplyInOrderWithProjectFileReadings)
{
    CliOptions options;
    std::string error;
    ASSERT_TRUE(Parse(
        { "--dest", "/tmp/x/", "--mode", "NoHTML", "--set", "Output.Mode=gallery", "--set", "PreviewImages.Width=5000",
            "--set", "Output.rm=yes", "--set", "FileNames.Preview.Template=bild_?", "--set",
            "ThumbnailImages.FrameSize=", "--set", "PreviewImages.Aspect=free", "--set", "PreviewImages.Height=100" },
        options, error));
    Configuration config;
    ApplyOptions(options, config);
    EXPECT_EQ(config.DestDir, "/tmp/x/");
    EXPECT_EQ(config.Output.Mode, OutputMode::WithGallery); // --set comes after --mode
    EXPECT_EQ(config.PreviewImages.Width(), 2048);
    EXPECT_EQ(config.PreviewImages.Height(), 100);
    EXPECT_TRUE(config.Output.rm);
    EXPECT_EQ(config.FileNames.Preview.Template, "bild_?");
    EXPECT_EQ(config.ThumbnailImages.FrameSize(), 0);
}

TEST(CommandLine, FoldersBecomeTheirPicturesSortedByName)
{
    TTempDir dir;
    std::filesystem::create_directory(dir / "fotos");
    std::filesystem::create_directory(dir / "fotos/unter.jpg");
    for (const char* name : { "b.jpg", "A.JPG", "c.bmp", "notiz.txt", "d.jpeg" })
        WriteFile(dir / (std::string("fotos/") + name), "x");
    EXPECT_EQ(ExpandPaths({ dir / "fotos", dir / "fehlt.jpg" }),
        (std::vector<std::string> {
            dir / "fotos/A.JPG", dir / "fotos/b.jpg", dir / "fotos/c.bmp", dir / "fotos/d.jpeg", dir / "fehlt.jpg" }));
}

TEST(CommandLineTool, MakesAnAlbumFromAFolder)
{
    TTempDir dir;
    std::filesystem::create_directory(dir / "fotos");
    WriteBytes(dir / "fotos/a.jpg", MakeJpeg(40, 30));
    WriteBytes(dir / "fotos/b.bmp", MakeBmp(20, 30));
    const ToolOutcome outcome = RunTool("--dest " + dir / "album" + " --title Test " + dir / "fotos");
    EXPECT_EQ(outcome.ExitCode, 0) << outcome.Output;
    const std::string a = dir / "fotos/a.jpg";
    const std::string b = dir / "fotos/b.bmp";
    EXPECT_EQ(outcome.Output,
        "\nFüge 2 Dateien hinzu\n[1/2] Bild hinzugefügt: " + a + "\n[2/2] Bild hinzugefügt: " + b
            + "\n2 von 2 Dateien erfolgreich hinzugefügt, 0 Fehler\n\nErzeuge Album aus 2 Bildern\n[1/2] " + a
            + "\n[2/2] " + b + "\nThumbnail-Übersicht geschrieben\n2 von 2 Bildern erfolgreich umgewandelt in 0 "
            + "Sekunden\n\n");
    EXPECT_NE(ReadFile(dir / "album/index.htm").find("<h1>Test</h1>"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(dir / "album/iinfo002.htm"));
}

TEST(CommandLineTool, ExitStatusTellsFailuresAndBadUsage)
{
    TTempDir dir;
    WriteBytes(dir / "a.jpg", MakeJpeg(16, 16));
    WriteFile(dir / "kaputt.jpg", "kein Bild");

    ToolOutcome outcome = RunTool("--raw --mode NoHTML --set FileNames.Preview.Template=bild_? --dest " + dir / "out"
        + " " + dir / "a.jpg " + dir / "kaputt.jpg");
    EXPECT_EQ(outcome.ExitCode, 1);
    EXPECT_NE(outcome.Output.find("\n-[2/2] Fehler beim Hinzufügen: " + dir / "kaputt.jpg\n"), std::string::npos)
        << outcome.Output;
    EXPECT_NE(outcome.Output.find("\n+1 von 1 Bildern erfolgreich umgewandelt"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(dir / "out/bild_001.jpg"));

    outcome = RunTool("--set FileNames.Thumbnails.UseOwnDirectory=yes --dest " + dir / "fehlt/out " + dir / "a.jpg");
    EXPECT_EQ(outcome.ExitCode, 2);
    EXPECT_NE(outcome.Output.find("Kann Zielverzeichnisse nicht anlegen!"), std::string::npos);

    EXPECT_EQ(RunTool(dir / "a.jpg").ExitCode, 2); // no --dest
    EXPECT_EQ(RunTool("--dest " + dir / "out").ExitCode, 2);
    EXPECT_EQ(RunTool("--bogus").ExitCode, 2);
    outcome = RunTool("--version");
    EXPECT_EQ(outcome.ExitCode, 0);
    EXPECT_EQ(outcome.Output, "korvo2-album 2.0.1.1\n");
    EXPECT_EQ(RunTool("--help").ExitCode, 0);
}

TEST(CommandLineTool, SavesAndLoadsProjects)
{
    TTempDir dir;
    std::filesystem::create_directory(dir / "fotos");
    WriteBytes(dir / "fotos/a.jpg", MakeJpeg(24, 16));
    WriteBytes(dir / "fotos/b.jpg", MakeJpeg(16, 24));
    ToolOutcome outcome
        = RunTool("--raw --title Urlaub --dest " + dir / "album --save " + dir / "album.kv2 --no-run " + dir / "fotos");
    EXPECT_EQ(outcome.ExitCode, 0) << outcome.Output;
    EXPECT_NE(outcome.Output.find("\n*Projekt abgespeichert in " + dir / "album.kv2\n"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir / "album"));

    // The project brings its pictures and settings; options given with it come after them.
    outcome = RunTool("--raw --mode IndexOnly " + dir / "album.kv2");
    EXPECT_EQ(outcome.ExitCode, 0) << outcome.Output;
    EXPECT_NE(
        outcome.Output.find("\n/Lese Projektdatei " + dir / "album.kv2\n*[1/2] Bild hinzugefügt: "), std::string::npos)
        << outcome.Output;
    EXPECT_NE(ReadFile(dir / "album/index.htm").find("<h1>Urlaub</h1>"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir / "album/image001.htm"));

    // A moved picture stays in the project saved again, byte for byte, and the album leaves it out.
    std::filesystem::rename(dir / "fotos/a.jpg", dir / "a.jpg");
    outcome = RunTool("--no-run " + dir / "album.kv2 --save " + dir / "wieder.kv2");
    EXPECT_EQ(outcome.ExitCode, 1) << outcome.Output;
    EXPECT_EQ(ReadFile(dir / "wieder.kv2"), ReadFile(dir / "album.kv2"));
    outcome = RunTool("--raw " + dir / "wieder.kv2");
    EXPECT_NE(outcome.Output.find(
                  "\n-1 fehlendes Bild ausgelassen\n/Erzeuge Album aus 1 Bildern\n*[1/1] " + dir / "fotos/b.jpg\n"),
        std::string::npos)
        << outcome.Output;

    WriteFile(dir / "kaputt.KV2", "<kein Projekt>");
    outcome = RunTool(dir / "kaputt.KV2");
    EXPECT_EQ(outcome.ExitCode, 2);
    EXPECT_NE(outcome.Output.find("Fehler beim Lesen der Projektdatei"), std::string::npos);
}

TEST(CommandLineTool, TakesTurnsFromExifWhenSetSo)
{
    TTempDir dir;
    WriteBytes(dir / "hoch.jpg", MakeJpeg(24, 16, MakeExifSegment(true, { ShortEntry(0x0112, 8) })));
    const std::string common = "--no-run --dest " + dir / "album " + dir / "hoch.jpg --save ";
    // On by default, and then not written: the project stays in the plain format.
    ToolOutcome outcome = RunTool(common + dir / "an.kv2");
    EXPECT_EQ(outcome.ExitCode, 0) << outcome.Output;
    const std::string on = ReadFile(dir / "an.kv2");
    EXPECT_NE(on.find("EqualizeMode=\"RGB\" />"), std::string::npos) << on;
    EXPECT_NE(on.find("Rotate=\"90CCW\""), std::string::npos) << on;

    outcome = RunTool(common + dir / "aus.kv2 --set Preprocessing.ExifRotation=no");
    EXPECT_EQ(outcome.ExitCode, 0) << outcome.Output;
    const std::string off = ReadFile(dir / "aus.kv2");
    EXPECT_NE(off.find("ExifRotation=\"no\""), std::string::npos) << off;
    EXPECT_NE(off.find("Rotate=\"0\""), std::string::npos) << off;
}
