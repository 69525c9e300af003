#include "album/Pages.h"

#include "exif/EXIF.h"
#include "exif/ExifTagNames.h"
#include "exif/ExifValueText.h"
#include "imaging/OutputNames.h"
#include "imaging/PictureFile.h"
#include "markup/Escape.h"
#include "model/TextRules.h"
#include "model/Version.h"

namespace korvo {

void WritePageHead(THtmlFile& file, std::string_view title)
{
    file.Line("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\" "
              "\"http://www.w3.org/TR/REC-html40/loose.dtd\">");
    file.Line("<html><head>");
    file.Line("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1250\">");
    const std::string_view version = ProgramVersion;
    if (!version.empty())
        file.Line("<meta http-equiv=\"Generator\" content=\"Korvo2 Version " + std::string(version) + "\">");
    else
        file.Line("<meta http-equiv=\"Generator\" content=\"Korvo2\">");
    file.Line("<title>" + Escape(title) + "</title>");
    file.Line("</head><body>");
    file.Line("<!--SOT-->");
}

void WritePageFoot(THtmlFile& file)
{
    file.Line("<!--EOT-->");
    file.Line("</body></html>");
}

std::string ShownName(const TImageRecord& image)
{
    if (!image.Caption.empty())
        return image.Caption;
    const auto dot = image.FileName.rfind('.');
    return dot == std::string::npos ? std::string() : image.FileName.substr(0, dot);
}

std::string LinkText(std::string_view name)
{
    std::string encoded;
    encoded.reserve(name.size());
    for (char c : name) {
        switch (c) {
        case '%':
            encoded += "%25";
            break;
        case '#':
            encoded += "%23";
            break;
        case '?':
            encoded += "%3F";
            break;
        case ':':
            // A colon before the first "/" would make the browser read a scheme, and a name
            // like "javascript:…" a script.
            encoded += "%3A";
            break;
        default:
            encoded += c;
        }
    }
    return Escape(encoded);
}

void WriteIndexPage(const std::string& path, const AlbumRunContext& context, const Configuration& config,
    const TImageManager& images, FileStamp* written, const TReplaceOptions& writing)
{
    const auto& names = config.FileNames;
    const int digits = names.Digits;
    const int thumbsPerLine = config.Output.ThumbsPerLine;

    THtmlFile file(path, writing);
    WritePageHead(file, config.AlbumTitle);
    file.Line();
    file.Line("<h1>" + Escape(config.AlbumTitle) + "</h1>");

    int counter = thumbsPerLine;
    int currentCategory = 0;
    for (int index = images.FirstInAlbum(); index >= 0;) {
        const TImageRecord& image = *images.GetImage(index);
        if (image.Category != currentCategory) {
            file.Line();
            file.Line("<h2>" + Escape(images.GetCategoryName(image.Category)) + "</h2>");
            currentCategory = image.Category;
            counter = thumbsPerLine;
        }
        const std::string target = context.MakeGallery
            ? BuildFileName(image.Number, names.HTMLDocs.Gallery, digits) + ".htm"
            : context.PreviewUrl + BuildFileName(image.Number, names.Preview.Template, digits) + ".jpg";
        if (context.MakeGallery)
            file.Write("<a name=\"" + NumberText(image.Number, digits) + "\">");
        const std::string shown = Escape(ShownName(image));
        file.Write("<a href=\"" + LinkText(target) + "\"><img src=\""
            + LinkText(context.ThumbnailUrl + BuildFileName(image.Number, names.Thumbnails.Template, digits) + ".jpg")
            + "\" width=\"" + IntToText(image.ThumbWidth) + "\" height=\"" + IntToText(image.ThumbHeight)
            + "\" border=\"0\" alt=\"" + shown + "\" title=\"" + shown + "\" /></a>");
        file.Line(context.MakeGallery ? "</a>" : "");
        if (counter == 1) {
            file.Line("<br clear=\"all\" />");
            counter = thumbsPerLine;
        } else {
            --counter;
        }
        index = image.Next;
    }

    file.Line();
    WritePageFoot(file);
    file.Close();
    if (written)
        *written = file.Stamp();
}

namespace {

    void WriteNeighbourLink(THtmlFile& file, int neighbour, std::string_view text, bool details,
        const Configuration& config, const TImageManager& images)
    {
        const TImageRecord* image = images.GetImage(neighbour);
        const auto& docs = config.FileNames.HTMLDocs;
        if (image)
            file.Write("<a href=\""
                + LinkText(BuildFileName(image->Number, details ? docs.Details : docs.Gallery, config.FileNames.Digits))
                + ".htm\">");
        file.Write(text);
        if (image)
            file.Write("</a>");
    }

    void WriteExifRow(THtmlFile& file, std::uint16_t tag, const std::string& name, const std::string& valueText)
    {
        if (!ExifTagHasName(tag) || !ExifValueHasText(valueText))
            return;
        file.Line("<tr><td align=\"left\"><nobr><b>&nbsp;&nbsp;" + Escape(name) + "</b></nobr></td>"
            + "<td align=\"left\"><nobr>&nbsp;" + Escape(valueText) + "</nobr></td></tr>");
    }

} // namespace

void WriteImagePage(const std::string& path, const TImageRecord& image, bool details, int previewWidth,
    int previewHeight, const AlbumRunContext& context, const Configuration& config, const TImageManager& images,
    FileStamp* written, const TReplaceOptions& writing)
{
    const auto& names = config.FileNames;
    const int digits = names.Digits;

    THtmlFile file(path, writing);
    WritePageHead(file, image.Caption);
    file.Write(config.Output.FullWidth ? "<table width=\"100%\"" : "<table");
    file.Line(" align=\"center\" border=\"0\" cellpadding=\"0\" cellspacing=\"3\" bgcolor=\"silver\"><tr>");

    file.Write("<td align=\"left\" valign=\"top\"><nobr>");
    WriteNeighbourLink(file, image.Prev, "&lt;&lt; Zurück", details, config, images);
    file.Line("</nobr></td>");
    file.Line("<th valign=\"top\">" + Escape(ShownName(image)) + "</th>");
    file.Write("<td align=\"right\" valign=\"top\"><nobr>");
    WriteNeighbourLink(file, image.Next, "Weiter &gt;&gt;", details, config, images);
    file.Line("</nobr></td>");

    if (details) {
        file.Line("<td rowspan=\"3\" valign=\"top\"><table border=\"0\" cellpadding=\"0\" cellspacing=\"0\">");
        if (auto block = LoadPictureExif(image.Source))
            EnumerateExif(*block,
                [&file](std::uint16_t tag, std::uint32_t, const std::string& name, const std::string& valueText) {
                    WriteExifRow(file, tag, name, valueText);
                });
        file.Line("</table></td>");
    }

    file.Line("</tr><tr><td colspan=\"3\" align=\"center\" valign=\"top\"><img src=\""
        + LinkText(context.PreviewUrl + BuildFileName(image.Number, names.Preview.Template, digits) + ".jpg")
        + "\" width=\"" + IntToText(previewWidth) + "\" height=\"" + IntToText(previewHeight)
        + "\" border=\"0\" /></td></tr><tr>");
    file.Line("<td align=\"left\"><nobr><a href=\"" + LinkText(SafeFileName(names.HTMLDocs.Index)) + ".htm#"
        + NumberText(image.Number, digits) + "\">&lt;- Index</nobr></a></td>");
    file.Line("<td>&nbsp;</td>");
    if (details)
        file.Line("<td align=\"right\"><nobr><a href=\""
            + LinkText(BuildFileName(image.Number, names.HTMLDocs.Gallery, digits))
            + ".htm\">Details &lt;-</a></nobr></td>");
    else if (context.MakeDetails)
        file.Line("<td align=\"right\"><nobr><a href=\""
            + LinkText(BuildFileName(image.Number, names.HTMLDocs.Details, digits))
            + ".htm\">Details -&gt;</a></nobr></td>");
    else
        file.Line("<td>&nbsp;</td>");
    file.Line("</tr></table>");

    WritePageFoot(file);
    file.Close();
    if (written)
        *written = file.Stamp();
}

} // namespace korvo
