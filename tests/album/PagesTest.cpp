#include "album/Pages.h"
#include "support/ListEntries.h"
#include "support/TempDir.h"
#include "support/TestPictures.h"

#include <gtest/gtest.h>

using namespace korvo;
using namespace korvo::testing;

namespace {

std::string Lines(std::initializer_list<std::string> lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

std::string Head(const std::string& title)
{
    return Lines({ "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\" "
                   "\"http://www.w3.org/TR/REC-html40/loose.dtd\">",
        "<html><head>", "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1250\">",
        "<meta http-equiv=\"Generator\" content=\"Korvo2 Version 2.0.1.1\">", "<title>" + title + "</title>",
        "</head><body>", "<!--SOT-->" });
}

const std::string Foot = "<!--EOT-->\r\n</body></html>\r\n";

// An album of `count` pictures named p1.jpg … in the given categories, already ordered.
struct Album {
    Configuration Config;
    TImageManager Images;

    Album(std::initializer_list<int> categories, int categoryCount = 0)
    {
        for (int k = 1; k <= categoryCount; ++k)
            Images.AddCategory("Kategorie " + std::to_string(k));
        AddUnreadPictures(Images, categories);
    }
    void Order()
    {
        Images.BuildAlbumOrder(Config.Output.UncategorizedImages);
        for (int i = 0; i < Images.ImageCount(); ++i) {
            Images.GetImage(i)->ThumbWidth = 128;
            Images.GetImage(i)->ThumbHeight = 96;
        }
    }
    std::string Index(const TTempDir& dir)
    {
        Order();
        const std::string path = dir / "index.htm";
        WriteIndexPage(path, BuildAlbumRunContext(Config), Config, Images);
        return ReadFile(path);
    }
    std::string Page(const TTempDir& dir, int index, bool details, int width = 640, int height = 480)
    {
        const std::string path = dir / "page.htm";
        WriteImagePage(
            path, *Images.GetImage(index), details, width, height, BuildAlbumRunContext(Config), Config, Images);
        return ReadFile(path);
    }
};

std::string Thumb(int n, const std::string& shown, bool gallery = true, const std::string& previewUrl = "")
{
    const std::string number = (n < 10 ? "00" : "0") + std::to_string(n);
    const std::string link = gallery ? "image" + number + ".htm" : previewUrl + "image" + number + ".jpg";
    return (gallery ? "<a name=\"" + number + "\">" : "") + "<a href=\"" + link + "\"><img src=\"thumb" + number
        + ".jpg\" width=\"128\" height=\"96\" border=\"0\" alt=\"" + shown + "\" title=\"" + shown + "\" /></a>"
        + (gallery ? "</a>" : "");
}

} // namespace

TEST(IndexPage, EmptyAlbumHasOnlyTheHeading)
{
    TTempDir dir;
    Album album({});
    EXPECT_EQ(album.Index(dir), Head("") + Lines({ "", "<h1></h1>", "" }) + Foot);
}

TEST(IndexPage, RowBreaksAfterEveryFullRowOfACategory)
{
    TTempDir dir;
    Album album({ 1, 1, 1, 1, 1, 1, 1 }, 1);
    album.Config.AlbumTitle = "Ferien";
    const std::string expected = Head("Ferien")
        + Lines({ "", "<h1>Ferien</h1>", "", "<h2>Kategorie 1</h2>", Thumb(1, "p1"), Thumb(2, "p2"), Thumb(3, "p3"),
            Thumb(4, "p4"), Thumb(5, "p5"), "<br clear=\"all\" />", Thumb(6, "p6"), Thumb(7, "p7"), "" })
        + Foot;
    EXPECT_EQ(album.Index(dir), expected);

    album.Config.Output.ThumbsPerLine = 1;
    const std::string page = album.Index(dir);
    EXPECT_NE(page.find(Thumb(7, "p7") + "\r\n<br clear=\"all\" />\r\n\r\n<!--EOT-->"), std::string::npos);
}

TEST(IndexPage, UncategorisedPicturesGetAHeadingOnlyAfterTheCategories)
{
    TTempDir dir;
    Album album({ 0, 1, 2 }, 2);
    album.Config.Output.ThumbsPerLine = 5;
    const std::string atStart = album.Index(dir);
    EXPECT_NE(atStart.find(Lines({ "<h1></h1>", Thumb(1, "p1"), "", "<h2>Kategorie 1</h2>", Thumb(2, "p2"), "",
                  "<h2>Kategorie 2</h2>", Thumb(3, "p3") })),
        std::string::npos)
        << atStart;

    album.Config.Output.UncategorizedImages = UncategorizedPlacement::AtEnd;
    const std::string atEnd = album.Index(dir);
    EXPECT_NE(atEnd.find(Lines(
                  { "<h2>Kategorie 2</h2>", Thumb(2, "p3"), "", "<h2>(nicht zugeordnet)</h2>", Thumb(3, "p1"), "" })),
        std::string::npos)
        << atEnd;
}

TEST(IndexPage, WithoutGalleryThumbnailsLinkThePreviewImages)
{
    TTempDir dir;
    Album album({ 0, 0 });
    album.Config.Output.Mode = OutputMode::IndexOnly;
    album.Config.FileNames.Preview.UseOwnDirectory = true;
    album.Config.FileNames.Thumbnails.UseOwnDirectory = true;
    album.Config.FileNames.Thumbnails.OwnDirectory = "kleine";
    const std::string page = album.Index(dir);
    EXPECT_NE(
        page.find("<a href=\"images/image001.jpg\"><img src=\"kleine/thumb001.jpg\" width=\"128\""), std::string::npos)
        << page;
    EXPECT_EQ(page.find("<a name="), std::string::npos);
}

TEST(IndexPage, UserTextsAreEscapedAndWrittenAsWindows1250)
{
    TTempDir dir;
    Album album({ 1 }, 1);
    album.Images.SetCategoryName(1, "Grüße & <Küsse>");
    album.Images.GetImage(0)->Caption = "Ein \"Bild\" <1> für 5 € 気";
    album.Config.AlbumTitle = "Größe";
    const std::string page = album.Index(dir);
    // ü is 0xFC, ö 0xF6, ß 0xDF and € 0x80 in windows-1250; the Japanese character has no byte
    // there and becomes a character reference.
    EXPECT_NE(page.find("<title>Gr\xF6\xDF"
                        "e</title>"),
        std::string::npos);
    EXPECT_NE(page.find("<h2>Gr\xFC\xDF"
                        "e &amp; &lt;K\xFCsse&gt;</h2>"),
        std::string::npos);
    const std::string shown = "Ein &quot;Bild&quot; &lt;1&gt; f\xFCr 5 \x80 &#27671;";
    EXPECT_NE(page.find("alt=\"" + shown + "\" title=\"" + shown + "\""), std::string::npos) << page;
}

TEST(IndexPage, LinksSurviveOddTemplates)
{
    TTempDir dir;
    Album album({ 0 });
    album.Config.FileNames.HTMLDocs.Gallery = "a\"b#c";
    album.Config.FileNames.Thumbnails.Template = "t&%a%";
    const std::string page = album.Index(dir);
    EXPECT_NE(page.find("<a href=\"a&quot;b%23c001.htm\"><img src=\"t&amp;001a%25.jpg\""), std::string::npos) << page;

    // No name from a project file can make a link run a script or leave the album folder.
    album.Config.FileNames.HTMLDocs.Gallery = "javascript:alert(1)//";
    album.Config.FileNames.Thumbnails.Template = "../../x";
    const std::string hostile = album.Index(dir);
    EXPECT_NE(hostile.find("<a href=\"javascript%3Aalert(1)__001.htm\"><img src=\".._.._x001.jpg\""), std::string::npos)
        << hostile;
}

TEST(IndexPage, FailingWriteRaises)
{
    TTempDir dir;
    Album album({ 0 });
    album.Order();
    EXPECT_THROW(
        WriteIndexPage(dir / "fehlt/index.htm", BuildAlbumRunContext(album.Config), album.Config, album.Images),
        THtmlWriteError);
    EXPECT_THROW(
        WriteIndexPage("/dev/full", BuildAlbumRunContext(album.Config), album.Config, album.Images), THtmlWriteError);
}

TEST(GalleryPage, SinglePictureHasNoNeighbourLinks)
{
    TTempDir dir;
    Album album({ 0 });
    album.Config.Output.Mode = OutputMode::WithGallery;
    album.Order();
    const std::string expected = Head("")
        + Lines({ "<table align=\"center\" border=\"0\" cellpadding=\"0\" cellspacing=\"3\" bgcolor=\"silver\"><tr>",
            "<td align=\"left\" valign=\"top\"><nobr>&lt;&lt; Zur\xFC"
            "ck</nobr></td>",
            "<th valign=\"top\">p1</th>", "<td align=\"right\" valign=\"top\"><nobr>Weiter &gt;&gt;</nobr></td>",
            "</tr><tr><td colspan=\"3\" align=\"center\" valign=\"top\"><img src=\"image001.jpg\" width=\"640\" "
            "height=\"480\" border=\"0\" /></td></tr><tr>",
            "<td align=\"left\"><nobr><a href=\"index.htm#001\">&lt;- Index</nobr></a></td>", "<td>&nbsp;</td>",
            "<td>&nbsp;</td>", "</tr></table>" })
        + Foot;
    EXPECT_EQ(album.Page(dir, 0, false), expected);
}

TEST(GalleryPage, NeighboursAndDetailsLinksFollowThePageKind)
{
    TTempDir dir;
    Album album({ 0, 0, 0 });
    album.Config.Output.FullWidth = true;
    album.Images.GetImage(1)->Caption = "Mitte";
    album.Order();
    const std::string gallery = album.Page(dir, 1, false, 0, 0);
    EXPECT_NE(gallery.find("<title>Mitte</title>"), std::string::npos);
    EXPECT_NE(gallery.find("<table width=\"100%\" align=\"center\""), std::string::npos);
    EXPECT_NE(gallery.find("<nobr><a href=\"image001.htm\">&lt;&lt; Zur\xFC"
                           "ck</a></nobr>"),
        std::string::npos);
    EXPECT_NE(gallery.find("<nobr><a href=\"image003.htm\">Weiter &gt;&gt;</a></nobr>"), std::string::npos);
    EXPECT_NE(gallery.find("width=\"0\" height=\"0\""), std::string::npos);
    EXPECT_NE(gallery.find("<td align=\"right\"><nobr><a href=\"iinfo002.htm\">Details -&gt;</a></nobr></td>"),
        std::string::npos);

    const std::string details = album.Page(dir, 1, true);
    EXPECT_NE(details.find("<a href=\"iinfo001.htm\">&lt;&lt; Zur"), std::string::npos);
    EXPECT_NE(details.find("<a href=\"iinfo003.htm\">Weiter"), std::string::npos);
    // The source does not exist: an empty EXIF table, and the page is otherwise complete.
    EXPECT_NE(details.find("<td rowspan=\"3\" valign=\"top\"><table border=\"0\" cellpadding=\"0\" "
                           "cellspacing=\"0\">\r\n</table></td>\r\n"),
        std::string::npos);
    EXPECT_NE(details.find("<td align=\"right\"><nobr><a href=\"image002.htm\">Details &lt;-</a></nobr></td>"),
        std::string::npos);
}

TEST(DetailsPage, ListsNamedExifEntriesInFileOrder)
{
    TTempDir dir;
    Album album({ 0 });
    const std::string source = dir / "exif.jpg";
    WriteBytes(source,
        MakeJpeg(16, 12,
            MakeExifSegment(false, { AsciiEntry(0x010F, "Hersteller & Söhne"), ShortEntry(0x0112, 6) },
                { RationalEntry(0x829D, 28, 10), ShortEntry(0x9210, 2), ShortEntry(0x9207, 99) })));
    album.Images.GetImage(0)->Source = source;
    album.Order();
    const std::string page = album.Page(dir, 0, true);
    const std::string rows
        = Lines({ "<tr><td align=\"left\"><nobr><b>&nbsp;&nbsp;Make</b></nobr></td><td align=\"left\"><nobr>&nbsp;"
                  "Hersteller &amp; S\xF6hne</nobr></td></tr>",
            "<tr><td align=\"left\"><nobr><b>&nbsp;&nbsp;Orientation</b></nobr></td><td align=\"left\"><nobr>&nbsp;"
            "Portrait</nobr></td></tr>",
            "<tr><td align=\"left\"><nobr><b>&nbsp;&nbsp;FNumber</b></nobr></td><td align=\"left\"><nobr>&nbsp;"
            "F2.8</nobr></td></tr>" });
    // 0x9210 has no name and MeteringMode 99 no text: neither gets a row.
    EXPECT_NE(page.find("cellspacing=\"0\">\r\n" + rows + "</table></td>\r\n"), std::string::npos) << page;
}

TEST(ShownName, CaptionElseFileNameWithoutExtension)
{
    TImageRecord image;
    image.FileName = "urlaub.2003.jpg";
    EXPECT_EQ(ShownName(image), "urlaub.2003");
    image.FileName = "ohne";
    EXPECT_EQ(ShownName(image), "");
    image.Caption = "Strand";
    EXPECT_EQ(ShownName(image), "Strand");
}
