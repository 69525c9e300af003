// libFuzzer entry for the HTML writers: the input supplies the album title, category names,
// captions, file names, name templates and folder names, the page options, and a source file
// whose EXIF texts fill the details page. Whatever the texts hold, the index, gallery and details
// pages must have exactly the tags and attributes of the same pages made with harmless texts,
// and no link may name a scheme ("javascript:") or leave the album's folder by an absolute path.

#include "FuzzSupport.h"
#include "album/Core.h"
#include "album/Pages.h"
#include "imaging/OutputNames.h"
#include "model/Configuration.h"
#include "model/Datacore.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

using korvo::fuzz::Check;
using korvo::fuzz::ScratchFolder;

namespace {

std::string ReadWhole(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct TAlbumTexts {
    std::string Title;
    std::vector<std::string> Categories;
    std::vector<std::string> Captions;
    std::vector<std::string> FileNames;
    std::string PreviewTemplate, ThumbnailTemplate, GalleryTemplate, DetailsTemplate, IndexName;
    std::string PreviewFolder, ThumbnailFolder;
};

struct TAlbumShape {
    bool UsePreviewFolder = false;
    bool UseThumbnailFolder = false;
    bool FullWidth = false;
    korvo::OutputMode Mode = korvo::OutputMode::WithDetails;
    int Digits = 3;
    int ThumbsPerLine = 5;
    std::vector<int> CategoryOfImage;
    korvo::UncategorizedPlacement Placement = korvo::UncategorizedPlacement::AtStart;
};

TAlbumTexts HarmlessTexts(const TAlbumTexts& texts)
{
    TAlbumTexts harmless;
    harmless.Title = "t";
    harmless.Categories.assign(texts.Categories.size(), "k");
    harmless.Captions.assign(texts.Captions.size(), "c");
    harmless.FileNames.assign(texts.FileNames.size(), "f.jpg");
    harmless.PreviewTemplate = "p";
    harmless.ThumbnailTemplate = "t";
    harmless.GalleryTemplate = "g";
    harmless.DetailsTemplate = "d";
    harmless.IndexName = "i";
    harmless.PreviewFolder = "pf";
    harmless.ThumbnailFolder = "tf";
    return harmless;
}

// Writes the index page and the gallery and details page of the first picture; returns the
// three pages, one after the other.
std::string WritePages(const TAlbumTexts& texts, const TAlbumShape& shape, const std::string& source)
{
    korvo::Configuration config;
    config.DestDir = ScratchFolder("html");
    config.AlbumTitle = texts.Title;
    config.Output.Mode = shape.Mode;
    config.Output.FullWidth = shape.FullWidth;
    config.Output.ThumbsPerLine = shape.ThumbsPerLine;
    config.FileNames.Digits = shape.Digits;
    // The run refuses own folders that are not one plain folder name, so the writers never see them.
    config.FileNames.Preview = { texts.PreviewTemplate,
        shape.UsePreviewFolder && korvo::IsOwnFolderName(texts.PreviewFolder), texts.PreviewFolder };
    config.FileNames.Thumbnails = { texts.ThumbnailTemplate,
        shape.UseThumbnailFolder && korvo::IsOwnFolderName(texts.ThumbnailFolder), texts.ThumbnailFolder };
    config.FileNames.HTMLDocs = { texts.IndexName, texts.GalleryTemplate, texts.DetailsTemplate };

    korvo::TImageManager images;
    for (const std::string& name : texts.Categories)
        images.AddCategory(name);
    for (std::size_t i = 0; i < texts.Captions.size(); ++i) {
        korvo::TImageRecord& image = images.AddImage();
        image.Source = source;
        image.FileName = texts.FileNames[i];
        image.Caption = texts.Captions[i];
        image.Active = true;
        image.Category = shape.CategoryOfImage[i];
        image.ThumbWidth = static_cast<int>(i) * 7;
    }
    images.SortByCategory();
    images.BuildAlbumOrder(shape.Placement);

    const korvo::AlbumRunContext context = korvo::BuildAlbumRunContext(config);
    const std::string index = ScratchFolder("html") + "/index.htm";
    const std::string gallery = ScratchFolder("html") + "/gallery.htm";
    const std::string details = ScratchFolder("html") + "/details.htm";
    korvo::WriteIndexPage(index, context, config, images);
    std::string pages = ReadWhole(index);
    if (const int first = images.FirstInAlbum(); first >= 0) {
        const korvo::TImageRecord& image = *images.GetImage(first);
        korvo::WriteImagePage(gallery, image, false, 10, 20, context, config, images);
        korvo::WriteImagePage(details, image, true, 10, 20, context, config, images);
        pages += ReadWhole(gallery) + ReadWhole(details);
    }
    return pages;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The four entities the writers use, resolved.
std::string Unentity(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::string_view rest = text.substr(i);
        if (rest.starts_with("&quot;")) {
            out += '"';
            i += 5;
        } else if (rest.starts_with("&amp;")) {
            out += '&';
            i += 4;
        } else if (rest.starts_with("&lt;")) {
            out += '<';
            i += 3;
        } else if (rest.starts_with("&gt;")) {
            out += '>';
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

// A link that stays inside the album: no scheme before the first "/", "?" or "#", and not
// absolute.
bool RelativeLink(std::string_view link)
{
    if (link.starts_with("/"))
        return false;
    const std::size_t end = link.find_first_of("/?#");
    return link.substr(0, end).find(':') == std::string_view::npos;
}

// Every tag's name and its attribute names in order, as an HTML reader sees them; text and
// attribute values are left out. Checks the links on the way.
std::string Skeleton(std::string_view page)
{
    std::string out;
    std::size_t i = 0;
    while ((i = page.find('<', i)) != std::string_view::npos) {
        if (page.substr(i).starts_with("<!--")) {
            const std::size_t end = page.find("-->", i + 4);
            Check(end != std::string_view::npos);
            out += "<!---->";
            i = end + 3;
            continue;
        }
        ++i;
        std::size_t start = i;
        while (i < page.size() && !IsSpace(page[i]) && page[i] != '>')
            ++i;
        out += '<';
        out += page.substr(start, i - start);
        for (;;) {
            while (i < page.size() && IsSpace(page[i]))
                ++i;
            Check(i < page.size());
            if (page[i] == '>') {
                ++i;
                break;
            }
            start = i;
            while (i < page.size() && !IsSpace(page[i]) && page[i] != '=' && page[i] != '>')
                ++i;
            const std::string_view name = page.substr(start, i - start);
            out += ' ';
            out += name;
            if (i < page.size() && page[i] == '=') {
                ++i;
                Check(i < page.size());
                std::string_view value;
                if (page[i] == '"') {
                    const std::size_t end = page.find('"', i + 1);
                    Check(end != std::string_view::npos);
                    value = page.substr(i + 1, end - i - 1);
                    i = end + 1;
                } else {
                    start = i;
                    while (i < page.size() && !IsSpace(page[i]) && page[i] != '>')
                        ++i;
                    value = page.substr(start, i - start);
                }
                if (name == "href" || name == "src")
                    Check(RelativeLink(Unentity(value)));
            }
        }
        out += '>';
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    TAlbumShape shape;
    shape.UsePreviewFolder = input.ConsumeBool();
    shape.UseThumbnailFolder = input.ConsumeBool();
    shape.FullWidth = input.ConsumeBool();
    shape.Mode = input.ConsumeBool() ? korvo::OutputMode::WithDetails : korvo::OutputMode::IndexOnly;
    shape.Digits = input.ConsumeIntegralInRange(1, 9);
    shape.ThumbsPerLine = input.ConsumeIntegralInRange(1, 4);
    shape.Placement
        = input.ConsumeBool() ? korvo::UncategorizedPlacement::AtEnd : korvo::UncategorizedPlacement::AtStart;

    TAlbumTexts texts;
    const int categories = input.ConsumeIntegralInRange(0, 2);
    const int pictures = input.ConsumeIntegralInRange(1, 3);
    for (int i = 0; i < pictures; ++i)
        shape.CategoryOfImage.push_back(input.ConsumeIntegralInRange(0, categories));
    constexpr std::size_t MaxText = 64;
    texts.Title = input.ConsumeRandomLengthString(MaxText);
    for (int k = 0; k < categories; ++k)
        texts.Categories.push_back(input.ConsumeRandomLengthString(MaxText));
    for (int i = 0; i < pictures; ++i) {
        texts.Captions.push_back(input.ConsumeRandomLengthString(MaxText));
        texts.FileNames.push_back(input.ConsumeRandomLengthString(MaxText));
    }
    texts.PreviewTemplate = input.ConsumeRandomLengthString(MaxText);
    texts.ThumbnailTemplate = input.ConsumeRandomLengthString(MaxText);
    texts.GalleryTemplate = input.ConsumeRandomLengthString(MaxText);
    texts.DetailsTemplate = input.ConsumeRandomLengthString(MaxText);
    texts.IndexName = input.ConsumeRandomLengthString(MaxText);
    texts.PreviewFolder = input.ConsumeRandomLengthString(MaxText);
    texts.ThumbnailFolder = input.ConsumeRandomLengthString(MaxText);

    // The rest is the source picture's start, for the EXIF rows of the details page.
    const std::string source = ScratchFolder("html") + "/source.jpg";
    {
        const std::string bytes = input.ConsumeRemainingBytesAsString();
        std::ofstream out(source, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    const std::string pages = WritePages(texts, shape, source);
    const std::string harmless = WritePages(HarmlessTexts(texts), shape, source);
    Check(Skeleton(pages) == Skeleton(harmless));
    return 0;
}
