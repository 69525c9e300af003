#include "album/Core.h"
#include "fileio/AlbumRecord.h"
#include "imaging/Acquire.h"
#include "imaging/Jpeg.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"
#include "support/TestPictures.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

using namespace korvo;
using namespace korvo::testing;
namespace fs = std::filesystem;

namespace {

using Lines = std::vector<std::string>;

class AlbumRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directory(m_dir / "src");
        Dest = m_dir / "out";
        Config.DestDir = Dest;
    }

    std::string Picture(const std::string& name, int width, int height)
    {
        const std::string path = m_dir / ("src/" + name);
        WriteBytes(path, name.ends_with(".bmp") ? MakeBmp(width, height) : MakeJpeg(width, height));
        return path;
    }

    std::string Add(const std::string& path, int category = 0)
    {
        EXPECT_TRUE(AcquireImage(Images, path)) << path;
        Images.GetImage(Images.ImageCount() - 1)->Category = category;
        Images.SortByCategory();
        return path;
    }

    AlbumRunResult Run() { return RunAlbum(Config, Images, Host); }

    // Every file below the destination but the album's record, with its size and time, and the
    // files the record lists.
    std::map<std::string, FileStamp> FilesInDest() const
    {
        std::map<std::string, FileStamp> files;
        for (const auto& entry : fs::recursive_directory_iterator(Dest)) {
            struct stat status { };
            const std::string path = fs::relative(entry.path(), Dest).string();
            if (path != AlbumRecordName && ::lstat(entry.path().c_str(), &status) == 0 && S_ISREG(status.st_mode))
                files[path] = StampOf(status);
        }
        return files;
    }
    std::map<std::string, FileStamp> RecordedFiles() const
    {
        std::map<std::string, FileStamp> files;
        if (const auto record = ReadAlbumRecord(TFolder::Open(Dest)))
            for (const AlbumRecordFile& file : record->Files)
                files[file.Path] = file.Stamp;
        return files;
    }
    bool Exists(const std::string& name) const { return fs::exists(Dest + "/" + name); }

    TTempDir m_dir;
    std::string Dest;
    Configuration Config;
    TImageManager Images;
    TRecordingHost Host;
};

} // namespace

TEST_F(AlbumRun, WritesEveryFileOfTheModeWithOneLinePerPicture)
{
    const std::string a = Add(Picture("a.jpg", 40, 30));
    const std::string b = Add(Picture("b.bmp", 30, 40));
    const AlbumRunResult result = Run();
    EXPECT_EQ(Host.Lines(),
        (Lines { "", "/Erzeuge Album aus 2 Bildern", "*[1/2] " + a, "*[2/2] " + b, "*Thumbnail-Übersicht geschrieben",
            "+2 von 2 Bildern erfolgreich umgewandelt in 0 Sekunden", "" }));
    EXPECT_EQ(result.Successes, 2);
    EXPECT_TRUE(result.IndexWritten);
    EXPECT_EQ(result.IndexPath, Dest + "/index.htm");
    for (const char* name : { "image001.jpg", "thumb001.jpg", "image001.htm", "iinfo001.htm", "image002.jpg",
             "thumb002.jpg", "image002.htm", "iinfo002.htm", "index.htm" })
        EXPECT_TRUE(Exists(name)) << name;
    ASSERT_EQ(Host.BusyEvents.size(), 2u);
    EXPECT_EQ(Host.BusyEvents[1].Target, Page::PLog);
    EXPECT_EQ(Images.GetImage(1)->ThumbWidth, 30);
    EXPECT_EQ(Images.GetImage(1)->ThumbHeight, 40);
    EXPECT_NE(ReadFile(Dest + "/image002.htm").find("width=\"30\" height=\"40\""), std::string::npos);
}

TEST_F(AlbumRun, ModesDecideWhichFilesAreWritten)
{
    Add(Picture("a.jpg", 20, 20));
    Config.Output.Mode = OutputMode::NoHTML;
    Run();
    EXPECT_TRUE(Exists("image001.jpg"));
    EXPECT_FALSE(Exists("thumb001.jpg"));
    EXPECT_FALSE(Exists("index.htm"));
    Config.Output.Mode = OutputMode::ThumbsOnly;
    Run();
    EXPECT_TRUE(Exists("thumb001.jpg"));
    EXPECT_FALSE(Exists("index.htm"));
    EXPECT_EQ(Host.Lines()[Host.Lines().size() - 2], "+1 von 1 Bildern erfolgreich umgewandelt in 0 Sekunden");
    Config.Output.Mode = OutputMode::WithGallery;
    Run();
    EXPECT_TRUE(Exists("image001.htm"));
    EXPECT_FALSE(Exists("iinfo001.htm"));
}

TEST_F(AlbumRun, VerboseRunReportsEverySubStep)
{
    const std::string a = Add(Picture("a.jpg", 40, 30));
    Config.Verbose = true;
    Config.FileNames.Preview.UseOwnDirectory = true;
    fs::create_directory(Dest);
    Run();
    EXPECT_EQ(Host.Lines(),
        (Lines { "", "/Erzeuge Album aus 1 Bildern", "*[1/1] Bearbeite " + a,
            "_[1/1] Erzeuge Vorschaubild: " + Dest + "/images/image001.jpg",
            "_[1/1] Erzeuge Thumbnail: " + Dest + "/thumb001.jpg",
            "_[1/1] Schreibe Galeriendatei: " + Dest + "/image001.htm",
            "_[1/1] Schreibe Details-Datei: " + Dest + "/iinfo001.htm", "*Schreibe Index: " + Dest + "/index.htm",
            "+1 von 1 Bildern erfolgreich umgewandelt in 0 Sekunden", "" }));
}

TEST_F(AlbumRun, FailedStepsMarkThePictureButTheRestStillRuns)
{
    const std::string broken = m_dir / "src/kaputt.jpg";
    const std::string a = Add(Picture("a.jpg", 40, 30));
    WriteBytes(broken, MakeJpeg(40, 30));
    Add(broken);
    WriteFile(broken, "kein JPEG"); // broken after it was added
    Config.Output.Mode = OutputMode::IndexOnly;
    fs::create_directories(Dest + "/thumb001.jpg"); // the thumbnail cannot be written
    Run();
    EXPECT_EQ(Host.Lines(),
        (Lines { "", "/Erzeuge Album aus 2 Bildern", "-[1/2] Fehler: " + a, "_Keine gewöhnliche Datei",
            "-[2/2] Fehler: " + broken, "_Kein JPEG (beginnt mit 6B 65)", "*Thumbnail-Übersicht geschrieben",
            "+0 von 2 Bildern erfolgreich umgewandelt in 0 Sekunden", "" }));
    EXPECT_TRUE(Exists("image001.jpg"));

    TRecordingHost verboseHost;
    Config.Verbose = true;
    RunAlbum(Config, Images, verboseHost);
    EXPECT_EQ(Lines(verboseHost.Lines().begin() + 2, verboseHost.Lines().begin() + 10),
        (Lines { "*[1/2] Bearbeite " + a, "_[1/2] Erzeuge Vorschaubild: " + Dest + "/image001.jpg",
            "_[1/2] Erzeuge Thumbnail: " + Dest + "/thumb001.jpg", "-[1/2] Fehler beim Schreiben",
            "_Keine gewöhnliche Datei", "*[2/2] Bearbeite " + broken, "-[2/2] Fehler beim Einlesen",
            "_Kein JPEG (beginnt mit 6B 65)" }));
}

TEST_F(AlbumRun, UnusableDestinationsEndTheRunBeforeAnyPicture)
{
    Add(Picture("a.jpg", 20, 20));
    Config.DestDir = DefaultDestDir;
    AlbumRunResult result = Run();
    EXPECT_TRUE(result.DestinationFailed);
    EXPECT_EQ(Host.Lines(),
        (Lines { "", "/Erzeuge Album aus 1 Bildern", "-Kann Zielverzeichnisse nicht anlegen!",
            "_Kein Zielverzeichnis gewählt", "" }));
    EXPECT_FALSE(fs::exists(DefaultDestDir));

    Config.DestDir = "";
    EXPECT_TRUE(Run().DestinationFailed);

    // Only one level is created: an own folder inside a missing destination fails...
    Config.DestDir = Dest + "/neu";
    Config.FileNames.Thumbnails.UseOwnDirectory = true;
    EXPECT_TRUE(Run().DestinationFailed);
    EXPECT_FALSE(fs::exists(Dest + "/neu"));
    // ...while the destination itself is created in its role as picture folder.
    Config.FileNames.Thumbnails.UseOwnDirectory = false;
    Config.DestDir = Dest;
    EXPECT_FALSE(Run().DestinationFailed);
    EXPECT_TRUE(Exists("image001.jpg"));
}

// With the photos' own folder as destination, clearing deletes exactly the files of earlier runs
// that are still as written: originals, foreign files and album files the user replaced stay
// and are counted. The record lists what the runs wrote and keeps what a later run left alone.
TEST_F(AlbumRun, ClearingDeletesOnlyTheFilesOfEarlierRuns)
{
    Dest = m_dir / "src";
    Config.DestDir = Dest;
    Add(Picture("a.jpg", 20, 20));
    Add(Picture("b.jpg", 20, 20));
    Picture("nicht-im-album.jpg", 20, 20);
    fs::create_directories(Dest + "/images");
    fs::create_directories(Dest + "/andere");
    fs::create_directories(Dest + "/ordner.jpg");
    for (const char* name : { "notiz.txt", "seite.htm", "andere/x.jpg", "images/y.jpg" })
        WriteFile(Dest + "/" + name, "vom Benutzer");
    WriteFile(m_dir / "ziel.jpg", "x");
    fs::create_symlink(m_dir / "ziel.jpg", Dest + "/link.jpg");
    Config.Output.rm = true;
    Config.Output.Mode = OutputMode::WithGallery;
    Config.FileNames.Preview.UseOwnDirectory = true;
    Run(); // no record yet: nothing is the album's
    EXPECT_EQ(Lines(Host.Lines().begin() + 2, Host.Lines().begin() + 4),
        (Lines { "*Alte Dateien gelöscht", "_6 fremde Dateien behalten" }));
    const std::map<std::string, FileStamp> first = FilesInDest();
    EXPECT_EQ(RecordedFiles().size(), 7u);
    for (const auto& [path, stamp] : RecordedFiles())
        EXPECT_EQ(first.at(path), stamp) << path;

    WriteFile(Dest + "/thumb002.jpg", "vom Benutzer");
    EXPECT_EQ(CountFilesToClear(Config), 6); // pages and pictures of both and the index
    Images.GetImage(1)->Active = false;
    Config.Verbose = true;
    TRecordingHost host;
    RunAlbum(Config, Images, host);
    EXPECT_EQ(Lines(host.Lines().begin() + 2, host.Lines().begin() + 4),
        (Lines { "*Lösche vorhandene Dateien aus " + Dest, "_7 fremde Dateien behalten" }));
    const std::map<std::string, FileStamp> second = FilesInDest();
    EXPECT_FALSE(second.contains("image002.htm") || second.contains("images/image002.jpg"));
    for (const char* kept :
        { "a.jpg", "b.jpg", "nicht-im-album.jpg", "notiz.txt", "seite.htm", "andere/x.jpg", "images/y.jpg" })
        EXPECT_EQ(second.at(kept), first.at(kept)) << kept;
    EXPECT_EQ(ReadFile(Dest + "/thumb002.jpg"), "vom Benutzer");
    EXPECT_TRUE(fs::is_symlink(Dest + "/link.jpg"));
    EXPECT_EQ(ReadFile(m_dir / "ziel.jpg"), "x");

    // A run that writes less keeps the unchanged files of the earlier one listed.
    Config.Output.rm = false;
    Config.Output.Mode = OutputMode::NoHTML;
    TRecordingHost smaller;
    RunAlbum(Config, Images, smaller);
    EXPECT_EQ(RecordedFiles().count("image001.htm"), 1u);
    EXPECT_EQ(RecordedFiles().count("thumb002.jpg"), 0u);
    EXPECT_EQ(CountFilesToClear(Config), 0); // clearing is off
    Config.Output.rm = true;
    fs::remove(Dest + "/.korvo2-album");
    EXPECT_EQ(CountFilesToClear(Config), 0);
}

// Any picture of the list counts, also one that is not in the album or not on disk, and so does
// the record: the run ends as an unusable destination does, before it clears or writes.
TEST_F(AlbumRun, OutputOverASourcePictureEndsTheRunFirst)
{
    const std::string a = Add(Picture("a.jpg", 20, 20));
    Config.Output.rm = true;
    Run();
    const std::map<std::string, FileStamp> written = FilesInDest();
    const std::string record = ReadFile(Dest + "/" + std::string(AlbumRecordName));
    for (const std::string& source : { Dest + "/thumb002.jpg", Dest + "/" + std::string(AlbumRecordName) }) {
        TImageRecord& inactive = Images.AddImage();
        inactive.Source = source;
        inactive.Active = false;
        Add(Picture("b.jpg", 20, 20));
        TRecordingHost host;
        const AlbumRunResult result = RunAlbum(Config, Images, host);
        EXPECT_TRUE(result.SourceCollision);
        EXPECT_EQ(host.Lines(),
            (Lines { "", "/Erzeuge Album aus 2 Bildern",
                "-Zielverzeichnis enthält Originalbilder, die überschrieben würden: " + source, "" }));
        EXPECT_EQ(FilesInDest(), written);
        EXPECT_EQ(ReadFile(Dest + "/" + std::string(AlbumRecordName)), record);
        Images = TImageManager();
        Add(a);
    }
}

TEST_F(AlbumRun, ClearingNeverReachesThroughASymlinkedPictureFolder)
{
    Add(Picture("a.jpg", 20, 20));
    fs::create_directories(m_dir / "sammlung");
    WriteFile(m_dir / "sammlung/urlaub.jpg", "wertvoll");
    fs::create_directories(Dest);
    fs::create_directory_symlink(m_dir / "sammlung", Dest + "/images");
    // Even a record that lists the file as it is cannot reach it.
    struct stat status { };
    ASSERT_EQ(::stat((m_dir / "sammlung/urlaub.jpg").c_str(), &status), 0);
    ASSERT_TRUE(WriteAlbumRecord(Dest, AlbumRecord { { { "images/urlaub.jpg", StampOf(status) } } }));
    Config.Output.rm = true;
    Config.FileNames.Preview.UseOwnDirectory = true;
    EXPECT_EQ(CountFilesToClear(Config), 0);
    Run();
    EXPECT_EQ(ReadFile(m_dir / "sammlung/urlaub.jpg"), "wertvoll");
}

TEST_F(AlbumRun, AbortStopsAfterTheCurrentPictureAndStillWritesTheIndex)
{
    std::vector<std::string> sources;
    for (const char* name : { "a.jpg", "b.jpg", "c.jpg", "d.jpg" })
        sources.push_back(Add(Picture(name, 16, 16)));
    Host.AbortOnPump = 2;
    const AlbumRunResult result = Run();
    EXPECT_TRUE(result.Aborted);
    EXPECT_EQ(Host.Lines(),
        (Lines { "", "/Erzeuge Album aus 4 Bildern", "*[1/4] " + sources[0], "*[2/4] " + sources[1],
            "*Thumbnail-Übersicht geschrieben", "-Vorgang vom Benutzer abgebrochen",
            "+2 von 4 Bildern erfolgreich umgewandelt in 0 Sekunden", "" }));
    EXPECT_FALSE(Exists("image003.jpg"));
    EXPECT_EQ(RecordedFiles(), FilesInDest()); // what was written, and only that
    // The index lists every picture, those never reached with a 0 by 0 thumbnail.
    EXPECT_NE(ReadFile(Dest + "/index.htm").find("thumb004.jpg\" width=\"0\" height=\"0\""), std::string::npos);
}

TEST_F(AlbumRun, VerboseIsSampledPerPictureAndTheTickCounterMayWrap)
{
    const std::string a = Add(Picture("a.jpg", 16, 16));
    const std::string b = Add(Picture("b.jpg", 16, 16));
    Config.Output.Mode = OutputMode::NoHTML;
    Host.FakeClock.Now = 0xFFFFF000u;
    Host.OnPump = [this](int) {
        Config.Verbose = !Config.Verbose;
        Host.FakeClock.Now += 3500;
    };
    Run();
    EXPECT_EQ(Host.Lines(),
        (Lines { "", "/Erzeuge Album aus 2 Bildern", "*[1/2] " + a, "*[2/2] Bearbeite " + b,
            "_[2/2] Erzeuge Vorschaubild: " + Dest + "/image002.jpg",
            "+2 von 2 Bildern erfolgreich umgewandelt in 7 Sekunden", "" }));
}

TEST_F(AlbumRun, RotationAndAlbumOrderShapeTheOutput)
{
    Images.AddCategory("Eins");
    const std::string a = Add(Picture("a.jpg", 40, 20));
    const std::string b = Add(Picture("b.jpg", 40, 20), 1);
    Images.GetImage(Images.FindBySource(a))->Rotate = 1;
    Images.GetImage(Images.FindBySource(b))->Rotate = 2;
    Config.Output.UncategorizedImages = UncategorizedPlacement::AtEnd;
    Run();
    EXPECT_EQ(Host.Lines()[2], "*[1/2] " + b);
    EXPECT_EQ(Host.Lines()[3], "*[2/2] " + a);
    const BitmapPtr rotated = DecodeJpegFile(Dest + "/image002.jpg", DctMethod::Float);
    ASSERT_NE(rotated, nullptr);
    EXPECT_EQ(rotated->Width(), 20);
    EXPECT_EQ(rotated->Height(), 40);

    Config.Output.UncategorizedImages = UncategorizedPlacement::Ignore;
    TRecordingHost host;
    RunAlbum(Config, Images, host);
    EXPECT_EQ(host.Lines()[1], "/Erzeuge Album aus 1 Bildern");
}

TEST_F(AlbumRun, EmptyAlbumWritesAnIndexWithItsHeadingOnly)
{
    Run();
    EXPECT_EQ(Host.Lines(),
        (Lines { "", "/Erzeuge Album aus 0 Bildern", "*Thumbnail-Übersicht geschrieben",
            "+0 von 0 Bildern erfolgreich umgewandelt in 0 Sekunden", "" }));
    EXPECT_TRUE(Exists("index.htm"));
}

TEST_F(AlbumRun, MissingPicturesAreLeftOutWithOneLineBeforeTheStart)
{
    // The album numbers only the pictures that exist; an inactive missing one is not counted.
    for (const char* name : { "x.jpg", "y.jpg", "z.jpg" })
        AppendMissingImage(Images, m_dir / name);
    Images.GetImage(2)->Active = false;
    const std::string a = Add(Picture("a.jpg", 40, 30));
    Run();
    EXPECT_EQ(Host.Lines(),
        (Lines { "", "-2 fehlende Bilder ausgelassen", "/Erzeuge Album aus 1 Bildern", "*[1/1] " + a,
            "*Thumbnail-Übersicht geschrieben", "+1 von 1 Bildern erfolgreich umgewandelt in 0 Sekunden", "" }));
    EXPECT_FALSE(Exists("image002.jpg"));
    Images.GetImage(0)->Active = false;
    Run();
    EXPECT_EQ(Host.Lines()[7], "-1 fehlendes Bild ausgelassen");
}
