#include "album/ModernPages.h"

#include "album/Pages.h"
#include "exif/EXIF.h"
#include "exif/ExifLabels.h"
#include "exif/ExifTagNames.h"
#include "exif/ExifValueText.h"
#include "imaging/OutputNames.h"
#include "imaging/PictureFile.h"
#include "markup/Escape.h"
#include "model/TextRules.h"
#include "model/Version.h"

namespace korvo {

namespace {

    // A link as it goes into srcset, where a blank or a comma would end the address.
    std::string SrcsetUrl(std::string_view name)
    {
        std::string url;
        for (char c : LinkText(name)) {
            if (c == ' ')
                url += "%20";
            else if (c == ',')
                url += "%2C";
            else
                url += c;
        }
        return url;
    }

    // src, srcset and the declared size of a picture and its HiDPI twin. The size is left out
    // when the picture was not made (the browser then shows the alternative text).
    std::string PictureAttributes(const std::string& url, int width, int height)
    {
        std::string text = "src=\"" + LinkText(url) + "\" srcset=\"" + SrcsetUrl(url) + " 1x, "
            + SrcsetUrl(DoubledFileName(url)) + " 2x\"";
        if (width > 0 && height > 0)
            text += " width=\"" + IntToText(width) + "\" height=\"" + IntToText(height) + "\"";
        return text;
    }

    // A page needs a title; an album or picture without a name gets a plain one.
    std::string TitleOr(const std::string& title, std::string_view fallback)
    {
        return TrimControls(title).empty() ? std::string(fallback) : title;
    }

    void WriteModernHead(THtmlFile& file, std::string_view title, std::string_view bodyAttributes)
    {
        file.Line("<!DOCTYPE html>");
        file.Line("<html lang=\"de\">");
        file.Line("<head>");
        file.Line("<meta charset=\"utf-8\">");
        file.Line("<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">");
        const std::string_view version = ProgramVersion;
        file.Line(version.empty()
                ? std::string("<meta name=\"generator\" content=\"Korvo2\">")
                : "<meta name=\"generator\" content=\"Korvo2 Version " + std::string(version) + "\">");
        file.Line("<title>" + Escape(title) + "</title>");
        file.Line("<link rel=\"stylesheet\" href=\"" + std::string(ModernStyleSheetName) + "\">");
        file.Line("<script src=\"" + std::string(ModernScriptName) + "\" defer></script>");
        file.Line("</head>");
        file.Line("<body" + std::string(bodyAttributes) + ">");
    }

    void WriteModernFoot(THtmlFile& file)
    {
        file.Line("</body>");
        file.Line("</html>");
    }

    std::string PreviewUrlOf(const TImageRecord& image, const AlbumRunContext& context, const FileNameSettings& names)
    {
        return context.PreviewUrl + BuildFileName(image.Number, names.Preview.Template, names.Digits) + ".jpg";
    }

    // A neighbour as a large link, or the same text without a link at either end of the album.
    void WriteNeighbour(THtmlFile& file, int neighbour, bool next, bool details, const Configuration& config,
        const TImageManager& images)
    {
        const std::string_view text = next ? "Weiter&nbsp;›" : "‹&nbsp;Zurück";
        const std::string_view rel = next ? "next" : "prev";
        const TImageRecord* image = images.GetImage(neighbour);
        if (!image) {
            file.Line("<span class=\"" + std::string(rel) + "\">" + std::string(text) + "</span>");
            return;
        }
        const auto& docs = config.FileNames.HTMLDocs;
        file.Line("<a class=\"" + std::string(rel) + "\" rel=\"" + std::string(rel) + "\" href=\""
            + LinkText(BuildFileName(image->Number, details ? docs.Details : docs.Gallery, config.FileNames.Digits))
            + ".htm\">" + std::string(text) + "</a>");
    }

    void WriteExifTable(THtmlFile& file, const TImageRecord& image)
    {
        file.Line("<table class=\"exif\">");
        file.Line("<caption>Aufnahmedaten</caption>");
        file.Line("<tbody>");
        if (auto block = LoadPictureExif(image.Source))
            EnumerateExif(*block,
                [&file](std::uint16_t tag, std::uint32_t, const std::string& name, const std::string& valueText) {
                    // The rows of the classic details page, in its order.
                    if (!ExifTagHasName(tag) || !ExifValueHasText(valueText))
                        return;
                    const auto label = GermanExifLabel(tag);
                    file.Line("<tr><th scope=\"row\">" + Escape(label ? *label : name) + "</th><td>"
                        + Escape(label ? GermanExifValue(tag, valueText) : valueText) + "</td></tr>");
                });
        file.Line("</tbody>");
        file.Line("</table>");
    }

} // namespace

void WriteModernIndexPage(const std::string& path, const AlbumRunContext& context, const Configuration& config,
    const TImageManager& images, FileStamp* written, const TReplaceOptions& writing)
{
    const auto& names = config.FileNames;
    const int digits = names.Digits;
    const std::string title = Escape(TitleOr(config.AlbumTitle, "Bildalbum"));

    THtmlFile file(path, writing, PageCharset::Utf8);
    WriteModernHead(file, TitleOr(config.AlbumTitle, "Bildalbum"),
        " class=\"index\" style=\"--thumb:" + IntToText(config.ThumbnailImages.Width()) + "px\"");
    file.Line("<header><h1>" + title + "</h1></header>");
    file.Line("<main>");

    // As on the classic index: a heading wherever the category changes, none for the
    // uncategorised pictures at the start.
    bool open = false;
    int currentCategory = 0;
    int section = 0;
    auto closeSection = [&] {
        if (open)
            file.Line("</ul>");
        open = false;
    };
    for (int index = images.FirstInAlbum(); index >= 0;) {
        const TImageRecord& image = *images.GetImage(index);
        if (image.Category != currentCategory || !open) {
            closeSection();
            if (image.Category != currentCategory) {
                ++section;
                file.Line("<h2 id=\"abschnitt-" + IntToText(section) + "\">"
                    + Escape(images.GetCategoryName(image.Category)) + "</h2>");
                currentCategory = image.Category;
            }
            file.Line("<ul class=\"grid\">");
            open = true;
        }
        const std::string target = context.MakeGallery
            ? BuildFileName(image.Number, names.HTMLDocs.Gallery, digits) + ".htm"
            : PreviewUrlOf(image, context, names);
        // A link needs a name: a picture whose file name has no extension is named by its number.
        const std::string shown = Escape(TitleOr(ShownName(image), "Bild " + NumberText(image.Number, digits)));
        const std::string anchor
            = context.MakeGallery ? " id=\"" + NumberText(image.Number, digits) + "\"" : std::string();
        file.Line("<li" + anchor + "><a href=\"" + LinkText(target) + "\"><img "
            + PictureAttributes(
                context.ThumbnailUrl + BuildFileName(image.Number, names.Thumbnails.Template, digits) + ".jpg",
                image.ThumbWidth, image.ThumbHeight)
            + " alt=\"" + shown + "\" loading=\"lazy\" decoding=\"async\"></a><span class=\"caption\">" + shown
            + "</span></li>");
        index = image.Next;
    }
    closeSection();

    file.Line("</main>");
    WriteModernFoot(file);
    file.Close();
    if (written)
        *written = file.Stamp();
}

void WriteModernImagePage(const std::string& path, const TImageRecord& image, bool details, int previewWidth,
    int previewHeight, const AlbumRunContext& context, const Configuration& config, const TImageManager& images,
    FileStamp* written, const TReplaceOptions& writing)
{
    const auto& names = config.FileNames;
    const int digits = names.Digits;
    const std::string number = NumberText(image.Number, digits);
    const std::string shown = TitleOr(ShownName(image), "Bild " + number);

    // The next picture, for the script to load ahead.
    std::string body = details ? " class=\"details\"" : " class=\"picture\"";
    if (const TImageRecord* next = images.GetImage(image.Next)) {
        const std::string url = PreviewUrlOf(*next, context, names);
        body += " data-next-picture=\"" + LinkText(url) + "\" data-next-picture-2x=\"" + LinkText(DoubledFileName(url))
            + "\"";
    }

    THtmlFile file(path, writing, PageCharset::Utf8);
    WriteModernHead(file, details ? shown + " – Details" : shown, body);
    file.Line("<nav class=\"bar\" aria-label=\"Bilder\">");
    WriteNeighbour(file, image.Prev, false, details, config, images);
    file.Line("<a class=\"up\" href=\"" + LinkText(SafeFileName(names.HTMLDocs.Index)) + ".htm#" + number
        + "\">Übersicht</a>");
    WriteNeighbour(file, image.Next, true, details, config, images);
    file.Line("</nav>");
    file.Line("<main>");
    file.Line("<figure>");
    file.Line("<img " + PictureAttributes(PreviewUrlOf(image, context, names), previewWidth, previewHeight) + " alt=\""
        + Escape(shown) + "\">");
    file.Line("<figcaption><h1>" + Escape(shown) + "</h1>");
    if (details)
        file.Line("<p class=\"more\"><a href=\"" + LinkText(BuildFileName(image.Number, names.HTMLDocs.Gallery, digits))
            + ".htm\">Zurück zum Bild</a></p>");
    else if (context.MakeDetails)
        file.Line("<p class=\"more\"><a href=\"" + LinkText(BuildFileName(image.Number, names.HTMLDocs.Details, digits))
            + ".htm\">Details</a></p>");
    file.Line("</figcaption>");
    file.Line("</figure>");
    if (details)
        WriteExifTable(file, image);
    file.Line("</main>");
    WriteModernFoot(file);
    file.Close();
    if (written)
        *written = file.Stamp();
}

} // namespace korvo
