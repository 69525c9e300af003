#include "album/ModernPages.h"
#include "fileio/AlbumRecord.h"
#include "imaging/Acquire.h"
#include "imaging/Jpeg.h"
#include "support/ListEntries.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"
#include "support/TestPictures.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>

using namespace korvo;
using namespace korvo::testing;
namespace fs = std::filesystem;

namespace {

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Pictures p1.jpg … in the given categories, ordered for the modern writers.
struct ModernAlbum {
    Configuration Config;
    TImageManager Images;
    TTempDir Dir;

    ModernAlbum(std::initializer_list<int> categories)
    {
        Config.Output.Layout = PageLayout::Modern;
        Images.AddCategory("Kategorie 1");
        AddUnreadPictures(Images, categories);
    }
    std::string Index()
    {
        Images.BuildAlbumOrder(Config.Output.UncategorizedImages);
        for (int i = 0; i < Images.ImageCount(); ++i)
            Images.GetImage(i)->ThumbWidth = Images.GetImage(i)->ThumbHeight = i == 0 ? 0 : 100;
        WriteModernIndexPage(Dir / "index.htm", BuildAlbumRunContext(Config), Config, Images);
        return ReadFile(Dir / "index.htm");
    }
    std::string Page(int index, bool details)
    {
        Images.BuildAlbumOrder(Config.Output.UncategorizedImages);
        WriteModernImagePage(
            Dir / "page.htm", *Images.GetImage(index), details, 640, 480, BuildAlbumRunContext(Config), Config, Images);
        return ReadFile(Dir / "page.htm");
    }
};

} // namespace

// The index keeps the classic page's order, headings and link targets: anchors only where
// gallery pages link back, headings where the category changes (the uncategorised ones at the
// end get theirs), user texts escaped and kept in UTF-8, no size for a thumbnail never made.
TEST(ModernIndexPage, KeepsTheClassicStructureInHtml5)
{
    for (const OutputMode mode : { OutputMode::IndexOnly, OutputMode::WithGallery }) {
        ModernAlbum album({ 1, 0, 1 });
        album.Config.Output.Mode = mode;
        album.Config.Output.UncategorizedImages = UncategorizedPlacement::AtEnd;
        album.Config.AlbumTitle = "Sommer <&> Söhne";
        album.Images.GetImage(1)->Caption = "Strand \"Süd\"";
        const std::string page = album.Index();
        const bool gallery = mode == OutputMode::WithGallery;
        SCOPED_TRACE(page);
        EXPECT_TRUE(
            page.starts_with("<!DOCTYPE html>\r\n<html lang=\"de\">\r\n<head>\r\n<meta charset=\"utf-8\">\r\n"));
        EXPECT_TRUE(Has(page, "<title>Sommer &lt;&amp;&gt; Söhne</title>"));
        EXPECT_TRUE(Has(page, "<h1>Sommer &lt;&amp;&gt; Söhne</h1>"));
        // Kategorie 1 (pictures 1 and 3 in album order), then the uncategorised one.
        const std::size_t first = page.find("<h2 id=\"abschnitt-1\">Kategorie 1</h2>");
        const std::size_t second = page.find("<h2 id=\"abschnitt-2\">(nicht zugeordnet)</h2>");
        ASSERT_NE(first, std::string::npos);
        ASSERT_NE(second, std::string::npos);
        EXPECT_LT(first, second);
        EXPECT_LT(second, page.find("Strand &quot;Süd&quot;"));
        const std::string link = gallery ? "image003.htm" : "image003.jpg";
        EXPECT_EQ(Has(page, "<li id=\"003\">"), gallery);
        EXPECT_TRUE(Has(page,
            "<a href=\"" + link
                + "\"><img src=\"thumb003.jpg\" srcset=\"thumb003.jpg 1x, "
                  "thumb003@2x.jpg 2x\" width=\"100\" height=\"100\" alt=\"p3\" loading=\"lazy\""));
        EXPECT_TRUE(Has(page, "<img src=\"thumb001.jpg\" srcset=\"thumb001.jpg 1x, thumb001@2x.jpg 2x\" alt=\"p1\""));
        EXPECT_TRUE(Has(page, "alt=\"Strand &quot;Süd&quot;\""));
        EXPECT_TRUE(page.ends_with("</ul>\r\n</main>\r\n</body>\r\n</html>\r\n"));
    }
    ModernAlbum untitled({ 0 });
    untitled.Images.GetImage(0)->FileName = "ohne-endung";
    const std::string page = untitled.Index();
    EXPECT_TRUE(Has(page, "<title>Bildalbum</title>"));
    EXPECT_TRUE(Has(page, "alt=\"Bild 001\""));
}

// Neighbours as large links that lead to pages of the same kind, plain text at the album's
// ends, the way back to the thumbnail's anchor, the details link both ways, the next picture
// named for preloading, and a srcset whose addresses survive blanks and commas.
TEST(ModernImagePage, LinksFollowThePageKind)
{
    ModernAlbum album({ 0, 0 });
    album.Config.FileNames.Preview.Template = "Bild, ?";
    const std::string first = album.Page(0, false);
    const std::string details = album.Page(1, true);
    SCOPED_TRACE(first + details);
    EXPECT_TRUE(Has(first, "<span class=\"prev\">‹&nbsp;Zurück</span>"));
    EXPECT_TRUE(Has(first, "<a class=\"next\" rel=\"next\" href=\"image002.htm\">Weiter&nbsp;›</a>"));
    EXPECT_TRUE(Has(first, "<a class=\"up\" href=\"index.htm#001\">Übersicht</a>"));
    EXPECT_TRUE(Has(first, "<a href=\"iinfo001.htm\">Details</a>"));
    EXPECT_TRUE(Has(first, "data-next-picture=\"Bild, 002.jpg\" data-next-picture-2x=\"Bild, 002@2x.jpg\""));
    EXPECT_TRUE(Has(first,
        "<img src=\"Bild, 001.jpg\" srcset=\"Bild%2C%20001.jpg 1x, Bild%2C%20001@2x.jpg 2x\" "
        "width=\"640\" height=\"480\" alt=\"p1\">"));
    EXPECT_TRUE(Has(details, "<a class=\"prev\" rel=\"prev\" href=\"iinfo001.htm\">"));
    EXPECT_TRUE(Has(details, "<span class=\"next\">"));
    EXPECT_TRUE(Has(details, "<a href=\"image002.htm\">Zurück zum Bild</a>"));
    EXPECT_FALSE(Has(details, "data-next-picture"));
    album.Config.Output.Mode = OutputMode::WithGallery;
    EXPECT_FALSE(Has(album.Page(0, false), "Details"));
}

// The classic page's rows in its order, the common ones with German labels and values.
TEST(ModernDetailsPage, ShowsCommonExifEntriesInGerman)
{
    ModernAlbum album({ 0 });
    const std::string source = album.Dir / "exif.jpg";
    WriteBytes(source,
        MakeJpeg(16, 12,
            MakeExifSegment(false, { AsciiEntry(0x0110, "Kamera & Co"), AsciiEntry(0x0131, "Werkzeug 1.5") },
                { RationalEntry(0x829A, 1, 250), RationalEntry(0x829D, 28, 10), ShortEntry(0x8827, 200),
                    AsciiEntry(0x9003, "2024:07:14 15:30:00"), ShortEntry(0x9209, 16), RationalEntry(0x920A, 50, 1),
                    RationalEntry(0x9204, 1, 3), ShortEntry(0x9210, 2), ShortEntry(0x9207, 99) })));
    album.Images.GetImage(0)->Source = source;
    const std::string page = album.Page(0, true);
    std::string rows;
    for (const char* row :
        { "Kamera</th><td>Kamera &amp; Co", "Software</th><td>Werkzeug 1.5", "Belichtung</th><td>1/250 s",
            "Blende</th><td>f/2,8", "ISO</th><td>200", "Aufnahmedatum</th><td>14.07.2024 15:30:00", "Blitz</th><td>aus",
            "Brennweite</th><td>50 mm", "Belichtungskorrektur</th><td>0,33 (1/3)" })
        rows += std::string("<tr><th scope=\"row\">") + row + "</td></tr>\r\n";
    // 0x9210 has no name and MeteringMode 99 no text: neither gets a row.
    EXPECT_TRUE(Has(page, "<tbody>\r\n" + rows + "</tbody>")) << page;
    EXPECT_TRUE(Has(page, "<title>p1 – Details</title>"));
}

// A modern run makes every picture also at twice its box, never larger than the source, from
// the one decoding; the style sheet and script lie beside the index, and the record knows every
// file. Without pages nothing changes; going back to classic removes what only modern needs.
TEST(ModernRun, WritesHiDpiTwinsAndRecordsThem)
{
    TTempDir dir;
    fs::create_directory(dir / "src");
    TImageManager images;
    for (const auto& [name, width, height] : { std::tuple { "gross.jpg", 1600, 1200 }, { "klein.jpg", 200, 150 } }) {
        WriteBytes(dir / ("src/" + std::string(name)), MakeJpeg(width, height));
        ASSERT_TRUE(AcquireImage(images, dir / ("src/" + std::string(name))));
    }
    Configuration config;
    config.Output.Layout = PageLayout::Modern;
    config.Output.Incremental = true;
    auto sizeOf = [&](const std::string& name) {
        int width = 0, height = 0;
        return ReadJpegSize(dir / ("out/" + name), width, height) ? std::pair { width, height } : std::pair { 0, 0 };
    };
    for (const OutputMode mode : { OutputMode::ThumbsOnly, OutputMode::WithDetails }) {
        config.Output.Mode = mode;
        config.DestDir = dir / "out";
        TRecordingHost host;
        EXPECT_EQ(RunAlbum(config, images, host).Successes, 2);
        std::set<std::string> recorded;
        const std::optional<AlbumRecord> record = ReadAlbumRecord(TFolder::Open(dir / "out"));
        ASSERT_TRUE(record);
        for (const AlbumRecordFile& file : record->Files)
            recorded.insert(file.Path);
        std::set<std::string> present;
        for (const auto& [path, file] : FilesBelow(dir / "out", AlbumRecordName))
            present.insert(path);
        EXPECT_EQ(recorded, present);
        const bool pages = mode == OutputMode::WithDetails;
        EXPECT_EQ(
            present.count("album.css") + present.count("album.js") + present.count("image001@2x.jpg"), pages ? 3u : 0u);
        EXPECT_EQ(present.size(), pages ? 15u : 4u);
    }
    EXPECT_EQ(sizeOf("image001@2x.jpg"), std::pair(1280, 960));
    EXPECT_EQ(sizeOf("thumb001@2x.jpg"), std::pair(256, 192));
    EXPECT_EQ(sizeOf("image002@2x.jpg"), std::pair(200, 150));
    EXPECT_EQ(sizeOf("thumb002@2x.jpg"), std::pair(200, 150));

    // Made from the twins, the usual pictures look as the classic run's, which come from the rows.
    const auto modern
        = [&](const std::string& name) { return DecodeJpegFile(dir / ("out/" + name), DctMethod::Float); };
    std::map<std::string, BitmapPtr> made;
    for (const char* name : { "image001.jpg", "thumb001.jpg", "thumb002.jpg" })
        made[name] = modern(name);
    config.Output.Layout = PageLayout::Classic;
    TRecordingHost host;
    EXPECT_EQ(RunAlbum(config, images, host).Removed, 6);
    for (const auto& [name, picture] : made) {
        const BitmapPtr classic = modern(name);
        ASSERT_TRUE(
            picture && classic && picture->Width() == classic->Width() && picture->Height() == classic->Height());
        double difference = 0;
        for (int y = 0; y < picture->Height(); ++y)
            for (int x = 0; x < 3 * picture->Width(); ++x)
                difference += std::abs(picture->Row(y)[x] - classic->Row(y)[x]);
        EXPECT_LT(difference / (3.0 * picture->Width() * picture->Height()), 3.0) << name;
    }
    EXPECT_FALSE(fs::exists(dir / "out/album.css"));
    EXPECT_FALSE(fs::exists(dir / "out/thumb002@2x.jpg"));
}
