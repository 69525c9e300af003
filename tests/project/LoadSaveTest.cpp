#include "project/LoadSave.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"
#include "support/TestPictures.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

using namespace korvo;
using namespace korvo::testing;

namespace {

using Lines = std::vector<std::string>;

std::string CrLf(std::initializer_list<std::string> lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

class ProjectFile : public ::testing::Test {
protected:
    std::string Picture(const std::string& name)
    {
        const std::string path = m_dir / name;
        WriteBytes(path, MakeJpeg(12, 8));
        return path;
    }
    std::string Project(const std::string& text)
    {
        const std::string path = m_dir / "projekt.kv2";
        WriteFile(path, text);
        return path;
    }
    LoadProjectResult Load(const std::string& path) { return LoadProject(path, Config, Images, Host); }

    TTempDir m_dir;
    Configuration Config;
    TImageManager Images;
    TRecordingHost Host;
};

} // namespace

TEST_F(ProjectFile, DefaultsSaveAsTheFullTree)
{
    const std::string path = m_dir / "leer.kv2";
    ASSERT_TRUE(SaveProject(path, Config, Images, Host));
    EXPECT_EQ(ReadFile(path),
        CrLf({ "<Korvo2Project Version=\"2.0.1.1\">", " <Configuration>",
            "  <DestDir Value=\"&lt; bitte ein Verzeichnis auswählen &gt;\" />", "  <AlbumTitle Value=\"\" />",
            "  <Preprocessing MedianFilter=\"on\" Equalize=\"no\" EqualizeStrength=\"20\" EqualizeMode=\"RGB\" />",
            "  <PreviewImages Width=\"640\" Height=\"640\" Aspect=\"quadratic\" Quality=\"75\" Progressive=\"yes\" />",
            "  <ThumbnailImages Width=\"128\" Height=\"128\" Aspect=\"quadratic\" Quality=\"40\" Progressive=\"no\" "
            "FrameSize=\"2\" />",
            "  <Output Mode=\"WithDetails\" ThumbsPerLine=\"5\" UncategorizedImages=\"AtStart\" FullWidth=\"no\" />",
            "  <FileNames Digits=\"3\">",
            "   <Preview Template=\"image\" UseOwnDirectory=\"no\" OwnDirectory=\"images\" />",
            "   <Thumbnails Template=\"thumb\" UseOwnDirectory=\"no\" OwnDirectory=\"thumbs\" />",
            "   <HTMLDocs Index=\"index\" Gallery=\"image\" Details=\"iinfo\" />", "  </FileNames>",
            " </Configuration>", " <ImageList Count=\"0\">", "  <Category />", " </ImageList>", "</Korvo2Project>" }));
    EXPECT_EQ(Host.Lines(), (Lines { "", "*Projekt abgespeichert in " + path, "" }));
    EXPECT_TRUE(Host.BusyEvents.empty()); // saving is not a long operation
}

TEST_F(ProjectFile, SavedProjectLoadsBackToTheSameState)
{
    Config.Verbose = true;
    Config.DestDir = "< bitte ein Verzeichnis auswählen >";
    Config.AlbumTitle = "Ferien \"2003\" & mehr";
    Config.Preprocessing.MedianFilter = false;
    Config.Preprocessing.Equalize = true;
    Config.Preprocessing.EqualizeStrength = 55;
    Config.Preprocessing.EqualizeMode = EqualizeMode::Gray;
    Config.Preprocessing.ExifRotation = false;
    Config.PreviewImages.SetAspect(Aspect::free);
    Config.PreviewImages.SetWidth(800);
    Config.PreviewImages.SetHeight(600);
    Config.ThumbnailImages.SetFrameEnabled(false);
    Config.Output.Mode = OutputMode::WithGallery;
    Config.Output.rm = true;
    Config.Output.Incremental = true;
    Config.Output.Layout = PageLayout::Modern;
    Config.Output.UncategorizedImages = UncategorizedPlacement::AtEnd;
    Config.FileNames.Digits = 4;
    Config.FileNames.Thumbnails.UseOwnDirectory = true;
    Config.FileNames.HTMLDocs.Index = "start";

    Images.AddCategory("Leer");
    Images.AddCategory("Meer");
    for (const char* name : { "u.jpg", "m1.jpg", "m2.jpg" }) {
        TImageRecord& image = Images.AddImage();
        image.Source = Picture(name);
    }
    Images.GetImage(1)->Category = 2;
    Images.GetImage(1)->Rotate = 3;
    Images.GetImage(1)->Caption = "Blick <aufs> Meer";
    Images.GetImage(2)->Category = 2;
    Images.GetImage(2)->Active = false;
    Images.GetImage(0)->Active = true;

    const std::string path = m_dir / "runde.kv2";
    ASSERT_TRUE(SaveProject(path, Config, Images, Host));
    // The text the window compares to tell unsaved work is the file, before and after loading it.
    EXPECT_EQ(ProjectText(Config, Images), ReadFile(path));
    EXPECT_NE(ReadFile(path).find(" FullWidth=\"no\" Layout=\"Modern\""), std::string::npos);
    Configuration loaded;
    TImageManager list;
    TRecordingHost host;
    const LoadProjectResult result = LoadProject(path, loaded, list, host);
    EXPECT_TRUE(result.Read);
    EXPECT_EQ(result.Added, 3);
    for (ConfigField field : AllConfigFields())
        EXPECT_EQ(FieldText(loaded, field), FieldText(Config, field)) << ConfigFieldName(field);
    ASSERT_EQ(list.CategoryCount(), 2);
    EXPECT_EQ(list.GetCategoryName(1), "Leer");
    EXPECT_EQ(list.GetCategoryName(2), "Meer");
    ASSERT_EQ(list.ImageCount(), 3);
    EXPECT_EQ(list.GetImage(0)->Source, Images.GetImage(0)->Source);
    EXPECT_TRUE(list.GetImage(0)->Active);
    EXPECT_EQ(list.GetImage(1)->Category, 2);
    EXPECT_EQ(list.GetImage(1)->Rotate, 3);
    EXPECT_EQ(list.GetImage(1)->Caption, "Blick <aufs> Meer");
    EXPECT_FALSE(list.GetImage(2)->Active);
    EXPECT_EQ(ProjectText(loaded, list), ReadFile(path));
    EXPECT_EQ(host.BusyEvents.back().Target, Page::PLog);
    EXPECT_EQ(host.SettingsChanges, 1);
    EXPECT_EQ(host.ImageListChanges, 1);
}

TEST_F(ProjectFile, OddSpellingsLoadLeniently)
{
    const std::string a = Picture("a.jpg");
    Config.ThumbnailImages.SetFrameSize(5);
    const std::string path = Project(CrLf({ "<?xml version=\"1.0\"?>", "<!-- alte Datei -->", "<Korvo2Project>",
        "<Configuration>", "<PreviewImages Width=\"5000\" Aspect=\"quad\" />",
        "<ThumbnailImages Width=\"abc\" Progressive=\"ja\" />",
        "<Output Mode=\"Gallery\" UncategorizedImages=\"am Ende (end)\" ThumbsPerLine=\"0\" />",
        "<FileNames Digits=\"12\"><Preview Template=\"\" OwnDirectory=\"bilder\" /></FileNames>", "</Configuration>",
        "<ImageList Count=\"4\"><Category>", "<Image Source=\"" + a + "\" Rotate=\"90ccw\" Active=\"ja\" />",
        "<Image Source=\"" + a + "\" Rotate=\"270\" Active=\"NEIN\" />", "<Image Source=\"" + a + "\" Rotate=\"45\" />",
        "<Bild Source=\"" + a + "\" />", "<Image Source=\"\" />", "</Category></ImageList>", "</Korvo2Project>" }));
    const LoadProjectResult result = Load(path);
    EXPECT_EQ(Config.PreviewImages.Width(), 2048);
    EXPECT_EQ(Config.PreviewImages.Height(), 2048);
    EXPECT_EQ(Config.ThumbnailImages.Width(), 128);
    EXPECT_TRUE(Config.ThumbnailImages.Progressive);
    EXPECT_EQ(Config.ThumbnailImages.FrameSize(), 0); // no FrameSize: no edge
    EXPECT_EQ(Config.ThumbnailImages.FrameWidth(), 5);
    EXPECT_EQ(Config.Output.Mode, OutputMode::WithGallery);
    EXPECT_EQ(Config.Output.UncategorizedImages, UncategorizedPlacement::AtEnd);
    EXPECT_EQ(Config.Output.ThumbsPerLine, 1);
    EXPECT_EQ(Config.FileNames.Digits, 9);
    EXPECT_EQ(Config.FileNames.Preview.Template, "image"); // an empty template is not taken
    EXPECT_EQ(Config.FileNames.Preview.OwnDirectory, "bilder");
    EXPECT_EQ(Config.DestDir, DefaultDestDir); // no DestDir element: kept
    EXPECT_EQ(result.Added, 3); // a path listed three times is acquired three times
    ASSERT_EQ(Images.ImageCount(), 3);
    EXPECT_EQ(Images.GetImage(0)->Rotate, 3);
    EXPECT_TRUE(Images.GetImage(0)->Active);
    EXPECT_EQ(Images.GetImage(1)->Rotate, 3);
    EXPECT_FALSE(Images.GetImage(1)->Active);
    EXPECT_EQ(Images.GetImage(2)->Rotate, 0);
    EXPECT_FALSE(Images.GetImage(2)->Active); // a missing Active reads as off
}

TEST_F(ProjectFile, FrameSizeAttributeSwitchesTheEdge)
{
    Config.ThumbnailImages.SetFrameEnabled(false);
    Load(Project("<Korvo2Project><Configuration><ThumbnailImages FrameSize=\"8\" /></Configuration></Korvo2Project>"));
    EXPECT_EQ(Config.ThumbnailImages.FrameSize(), 8);
    Load(Project("<Korvo2Project><Configuration><ThumbnailImages FrameSize=\"x\" /></Configuration></Korvo2Project>"));
    EXPECT_EQ(Config.ThumbnailImages.FrameSize(), 8); // on with the last width
}

TEST_F(ProjectFile, ExifRotationIsASettingThatLoadingNeverApplies)
{
    // A picture its camera marks as turned by 90°: the project's own turn wins over the mark.
    const std::string turned = m_dir / "hoch.jpg";
    WriteBytes(turned, MakeJpeg(12, 8, MakeExifSegment(false, { ShortEntry(0x0112, 6) })));
    Load(Project("<Korvo2Project><Configuration><Preprocessing ExifRotation=\"yes\" /></Configuration>"
                 "<ImageList Count=\"2\"><Category><Image Source=\""
        + turned + "\" /><Image Source=\"" + turned + "\" Rotate=\"180\" /></Category></ImageList></Korvo2Project>"));
    EXPECT_TRUE(Config.Preprocessing.ExifRotation);
    ASSERT_EQ(Images.ImageCount(), 2);
    EXPECT_EQ(Images.GetImage(0)->Rotate, 0);
    EXPECT_EQ(Images.GetImage(1)->Rotate, 2);

    // Only "no" turns it off; a file without the attribute leaves the setting as it is.
    for (const bool before : { false, true }) {
        Config.Preprocessing.ExifRotation = before;
        Load(Project("<Korvo2Project><Configuration><Preprocessing MedianFilter=\"on\" /></Configuration>"
                     "</Korvo2Project>"));
        EXPECT_EQ(Config.Preprocessing.ExifRotation, before);
    }
    Load(Project("<Korvo2Project><Configuration><Preprocessing ExifRotation=\"no\" /></Configuration>"
                 "</Korvo2Project>"));
    EXPECT_FALSE(Config.Preprocessing.ExifRotation);
}

TEST_F(ProjectFile, MissingPicturesAreReportedWithTheirPosition)
{
    std::string list;
    std::vector<std::string> paths;
    for (const char* name : { "1.jpg", "2.jpg", "3.jpg", "4.jpg", "5.jpg" }) {
        paths.push_back(std::string(name) == "3.jpg" ? m_dir / "3.jpg" : Picture(name));
        list += "<Image Source=\"" + paths.back() + "\" Active=\"yes\" />";
    }
    Load(
        Project("<Korvo2Project><ImageList Count=\"5\"><Category>" + list + "</Category></ImageList></Korvo2Project>"));
    EXPECT_EQ(Host.Lines(),
        (Lines { "", "/Lese Projektdatei " + m_dir / "projekt.kv2", "-Keine Konfigurationsdaten",
            "*[1/5] Bild hinzugefügt: " + paths[0], "*[2/5] Bild hinzugefügt: " + paths[1],
            "-[3/5] Fehler beim Hinzufügen: " + paths[2], "_Datei nicht gefunden",
            "*[4/5] Bild hinzugefügt: " + paths[3], "*[5/5] Bild hinzugefügt: " + paths[4],
            "+4 von 5 Dateien erfolgreich hinzugefügt", "" }));
}

TEST_F(ProjectFile, MissingPartsKeepTheCurrentState)
{
    Images.AddCategory("Bleibt");
    Images.AddImage().Source = "/alt.jpg";
    Config.AlbumTitle = "alt";
    // No image list: the pictures stay; the settings are read.
    Load(Project("<Korvo2Project><Configuration><AlbumTitle Value=\"neu\" /></Configuration></Korvo2Project>"));
    EXPECT_EQ(Config.AlbumTitle, "neu");
    EXPECT_EQ(Images.ImageCount(), 1);
    EXPECT_EQ(Host.Lines()[2], "-Keine Bilderlistendaten");

    // No project at all: nothing changes.
    for (const std::string& text : { std::string(), std::string("\x00\xFF\x01<<<>>>", 9), std::string(100000, '<'),
             std::string("<Projekt><Configuration /></Projekt>") }) {
        TRecordingHost host;
        const LoadProjectResult result = LoadProject(Project(text), Config, Images, host);
        EXPECT_FALSE(result.Read);
        EXPECT_EQ(host.Lines()[2], "-Fehler beim Lesen der Projektdatei");
        EXPECT_EQ(Config.AlbumTitle, "neu");
        EXPECT_EQ(Images.ImageCount(), 1);
    }
    TRecordingHost host;
    EXPECT_FALSE(LoadProject(m_dir / "fehlt.kv2", Config, Images, host).Read);
    EXPECT_EQ(host.Lines()[2], "-Fehler beim Lesen der Projektdatei");
}

TEST_F(ProjectFile, AbortKeepsWhatWasReadBeforeIt)
{
    const std::string a = Picture("a.jpg");
    const std::string b = Picture("b.jpg");
    Host.AbortOnPump = 1;
    const LoadProjectResult result = Load(Project("<Korvo2Project><ImageList Count=\"3\"><Category><Image Source=\"" + a
        + "\" /><Image Source=\"" + b + "\" /></Category><Category Name=\"Zu spät\"><Image Source=\"" + b
        + "\" /></Category></ImageList></Korvo2Project>"));
    EXPECT_TRUE(result.Aborted);
    EXPECT_EQ(Images.ImageCount(), 1);
    EXPECT_EQ(Images.CategoryCount(), 0);
    EXPECT_EQ(Host.Lines()[Host.Lines().size() - 3], "-Vorgang vom Benutzer abgebrochen");
    EXPECT_EQ(Host.Lines()[Host.Lines().size() - 2], "+1 von 3 Dateien erfolgreich hinzugefügt");
}

TEST_F(ProjectFile, OlderFilesInWindows1250StillLoad)
{
    // "Grüße" with ü as 0xFC and ß as 0xDF: not UTF-8.
    Load(Project("<Korvo2Project><Configuration><AlbumTitle Value=\"Gr\xFC\xDF"
                 "e\" /></Configuration>"
                 "<ImageList Count=\"0\"><Category /><Category Name=\"K\xE4se\" /></ImageList></Korvo2Project>"));
    EXPECT_EQ(Config.AlbumTitle, "Grüße");
    EXPECT_EQ(Images.GetCategoryName(1), "Käse");
}

TEST_F(ProjectFile, EachValueIsReadInItsOwnEncodingAndPathsKeepTheirBytes)
{
    // A file saved since may hold UTF-8 texts beside a picture whose name is not UTF-8, and an
    // older one windows-1250 texts: each value is read on its own, and paths keep their bytes.
    const std::string latin1 = Picture("B\xE4r.jpg");
    Load(Project("<Korvo2Project><Configuration><AlbumTitle Value=\"Grüße\" /><DestDir Value=\"/ziel/\xE4\" />"
                 "</Configuration><ImageList Count=\"1\"><Category /><Category Name=\"K\xE4se\"><Image Source=\""
        + latin1
        + "\" Caption=\"Stra\xDF"
          "e\" /></Category></ImageList></Korvo2Project>"));
    EXPECT_EQ(Config.AlbumTitle, "Grüße");
    EXPECT_EQ(Config.DestDir, "/ziel/\xE4");
    EXPECT_EQ(Images.GetCategoryName(1), "Käse");
    ASSERT_EQ(Images.ImageCount(), 1);
    EXPECT_EQ(Images.GetImage(0)->Source, latin1);
    EXPECT_EQ(Images.GetImage(0)->Caption, "Straße");
}

TEST_F(ProjectFile, FailedSaveKeepsTheOldFileAndShowsTheLog)
{
    const std::string path = m_dir / "alt.kv2";
    WriteFile(path, "alter Stand");
    std::filesystem::create_directory(m_dir / "ordner.kv2");
    EXPECT_FALSE(SaveProject(m_dir / "ordner.kv2", Config, Images, Host));
    EXPECT_EQ(Host.Lines(), (Lines { "", "_Fehler beim Speichern des Projektes in " + m_dir / "ordner.kv2", "" }));
    EXPECT_EQ(Host.ShownPages, (std::vector<Page> { Page::PLog }));
    EXPECT_FALSE(SaveProject(m_dir / "fehlt/neu.kv2", Config, Images, Host));
    EXPECT_EQ(ReadFile(path), "alter Stand");
}

TEST_F(ProjectFile, PicturesThatCannotBeReadKeepTheirEntriesAndSaveBackByteForByte)
{
    // Saved with every picture there, then one moved away and one damaged: the log is as always,
    // both entries keep their fields and places, and saving again writes the very same file.
    Images.AddCategory("Ferien");
    const std::string moved = Picture("weg.jpg");
    const std::string damaged = Picture("kaputt.jpg");
    for (const std::string& path : { Picture("da.jpg"), moved, damaged })
        ASSERT_TRUE(AcquireImage(Images, path));
    std::tie(Images.GetImage(1)->Caption, Images.GetImage(1)->Rotate, Images.GetImage(1)->Category,
        Images.GetImage(2)->Active)
        = std::make_tuple("Am <Strand>", 3, 1, false);
    const std::string original = m_dir / "original.kv2";
    ASSERT_TRUE(SaveProject(original, Config, Images, Host));
    std::filesystem::rename(moved, m_dir / "anderswo.jpg");
    WriteFile(damaged, "kein Bild");

    TRecordingHost host;
    LoadProject(original, Config, Images, host);
    EXPECT_EQ(host.Lines()[3], "-[2/3] Fehler beim Hinzufügen: " + damaged);
    EXPECT_EQ(host.Lines()[4], "_Kein JPEG (beginnt mit 6B 65)");
    EXPECT_EQ(host.Lines()[6], "_Datei nicht gefunden");
    EXPECT_EQ(host.Lines()[7], "+1 von 3 Dateien erfolgreich hinzugefügt");
    ASSERT_EQ(Images.ImageCount(), 3);
    const TImageRecord& kept = *Images.GetImage(2); // back in its category, after the others
    EXPECT_EQ(std::tie(kept.Source, kept.FileName, kept.InfoText, kept.Caption, kept.Rotate, kept.Missing),
        std::make_tuple(moved, "weg.jpg", "Datei fehlt", "Am <Strand>", 3, true));
    EXPECT_EQ(std::tie(Images.GetImage(1)->InfoText, Images.GetImage(1)->Active),
        std::make_tuple("Datei nicht lesbar", false));
    ASSERT_TRUE(SaveProject(m_dir / "wieder.kv2", Config, Images, host));
    EXPECT_EQ(ReadFile(m_dir / "wieder.kv2"), ReadFile(original));
}
