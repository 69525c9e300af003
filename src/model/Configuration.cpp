#include "model/Configuration.h"

#include <array>

namespace korvo {

const char* OutputModeName(OutputMode mode)
{
    switch (mode) {
    case OutputMode::NoHTML:
        return "NoHTML";
    case OutputMode::ThumbsOnly:
        return "ThumbsOnly";
    case OutputMode::IndexOnly:
        return "IndexOnly";
    case OutputMode::WithGallery:
        return "WithGallery";
    case OutputMode::WithDetails:
        return "WithDetails";
    }
    return "WithDetails";
}

const char* UncategorizedPlacementName(UncategorizedPlacement placement)
{
    switch (placement) {
    case UncategorizedPlacement::Ignore:
        return "Ignore";
    case UncategorizedPlacement::AtStart:
        return "AtStart";
    case UncategorizedPlacement::AtEnd:
        return "AtEnd";
    }
    return "AtStart";
}

const char* EqualizeModeName(EqualizeMode mode) { return mode == EqualizeMode::RGB ? "RGB" : "Gray"; }

const char* AspectName(Aspect aspect) { return aspect == Aspect::quadratic ? "quadratic" : "free"; }

const char* PageLayoutName(PageLayout layout) { return layout == PageLayout::Modern ? "Modern" : "Classic"; }

OutputMode OutputModeFromText(std::string_view text)
{
    const std::string lower = ToLowerAscii(text);
    if (lower.find("thumb") != std::string::npos)
        return OutputMode::ThumbsOnly;
    if (lower.find("index") != std::string::npos)
        return OutputMode::IndexOnly;
    if (lower.find("gal") != std::string::npos)
        return OutputMode::WithGallery;
    if (lower.find("detail") != std::string::npos || lower.find("info") != std::string::npos)
        return OutputMode::WithDetails;
    return OutputMode::NoHTML;
}

UncategorizedPlacement UncategorizedPlacementFromText(std::string_view text, UncategorizedPlacement current)
{
    // Tested in this order, a later match overriding an earlier one.
    const std::string lower = ToLowerAscii(text);
    UncategorizedPlacement result = current;
    if (lower.find("ignore") != std::string::npos)
        result = UncategorizedPlacement::Ignore;
    if (lower.find("start") != std::string::npos)
        result = UncategorizedPlacement::AtStart;
    if (lower.find("end") != std::string::npos)
        result = UncategorizedPlacement::AtEnd;
    return result;
}

EqualizeMode EqualizeModeFromText(std::string_view text)
{
    return ToUpperAscii(text) == "RGB" ? EqualizeMode::RGB : EqualizeMode::Gray;
}

Aspect AspectFromText(std::string_view text)
{
    return ToLowerAscii(text.substr(0, 4)) == "quad" ? Aspect::quadratic : Aspect::free;
}

PageLayout PageLayoutFromText(std::string_view text)
{
    return ToLowerAscii(text) == "modern" ? PageLayout::Modern : PageLayout::Classic;
}

TImageGroupSettings::TImageGroupSettings(NumberRange sizeRange, int size, int quality, bool progressive, bool hasFrame)
    : m_width(size, sizeRange)
    , m_height(size, sizeRange)
    , m_hasFrame(hasFrame)
    , m_frameEnabled(hasFrame)
{
    Quality = quality;
    Progressive = progressive;
}

void TImageGroupSettings::SetWidth(int width)
{
    m_width = width;
    if (m_aspect == Aspect::quadratic)
        m_height = m_width.Value();
}

void TImageGroupSettings::SetHeight(int height)
{
    if (m_aspect == Aspect::free)
        m_height = height;
}

void TImageGroupSettings::SetAspect(Aspect aspect)
{
    m_aspect = aspect;
    if (m_aspect == Aspect::quadratic)
        m_height = m_width.Value();
}

void TImageGroupSettings::LoadSize(std::string_view widthText, std::string_view heightText, std::string_view aspectText)
{
    SetWidth(NumberFromText(widthText, SizeRange(), m_width));
    // The file's height is taken as it stands for a moment, even in a square group; the aspect
    // that follows restores the square rule.
    m_height = NumberFromText(heightText, SizeRange(), m_height);
    SetAspect(AspectFromText(aspectText));
}

void TImageGroupSettings::SetFrameSize(int size)
{
    if (!m_hasFrame)
        return;
    if (size <= 0) {
        m_frameEnabled = false;
        return;
    }
    m_frameEnabled = true;
    m_frameWidth = size;
}

void TImageGroupSettings::LoadFrameSize(std::string_view text)
{
    if (!m_hasFrame)
        return;
    if (text.empty()) {
        m_frameEnabled = false;
        return;
    }
    m_frameEnabled = true;
    m_frameWidth = NumberFromText(text, FrameWidthRange, m_frameWidth);
}

namespace {

    struct FieldInfo {
        ConfigField Field;
        const char* Name;
    };

    constexpr std::array<FieldInfo, 36> FieldTable { {
        { ConfigField::Verbose, "Verbose" },
        { ConfigField::DestDir, "DestDir" },
        { ConfigField::AlbumTitle, "AlbumTitle" },
        { ConfigField::MedianFilter, "Preprocessing.MedianFilter" },
        { ConfigField::Equalize, "Preprocessing.Equalize" },
        { ConfigField::EqualizeStrength, "Preprocessing.EqualizeStrength" },
        { ConfigField::EqualizeMode, "Preprocessing.EqualizeMode" },
        { ConfigField::ExifRotation, "Preprocessing.ExifRotation" },
        { ConfigField::PreviewWidth, "PreviewImages.Width" },
        { ConfigField::PreviewHeight, "PreviewImages.Height" },
        { ConfigField::PreviewAspect, "PreviewImages.Aspect" },
        { ConfigField::PreviewQuality, "PreviewImages.Quality" },
        { ConfigField::PreviewProgressive, "PreviewImages.Progressive" },
        { ConfigField::ThumbnailWidth, "ThumbnailImages.Width" },
        { ConfigField::ThumbnailHeight, "ThumbnailImages.Height" },
        { ConfigField::ThumbnailAspect, "ThumbnailImages.Aspect" },
        { ConfigField::ThumbnailQuality, "ThumbnailImages.Quality" },
        { ConfigField::ThumbnailProgressive, "ThumbnailImages.Progressive" },
        { ConfigField::ThumbnailFrameSize, "ThumbnailImages.FrameSize" },
        { ConfigField::OutputMode, "Output.Mode" },
        { ConfigField::ThumbsPerLine, "Output.ThumbsPerLine" },
        { ConfigField::UncategorizedImages, "Output.UncategorizedImages" },
        { ConfigField::rm, "Output.rm" },
        { ConfigField::Incremental, "Output.Incremental" },
        { ConfigField::FullWidth, "Output.FullWidth" },
        { ConfigField::Layout, "Output.Layout" },
        { ConfigField::PreviewTemplate, "FileNames.Preview.Template" },
        { ConfigField::PreviewUseOwnDirectory, "FileNames.Preview.UseOwnDirectory" },
        { ConfigField::PreviewOwnDirectory, "FileNames.Preview.OwnDirectory" },
        { ConfigField::ThumbnailsTemplate, "FileNames.Thumbnails.Template" },
        { ConfigField::ThumbnailsUseOwnDirectory, "FileNames.Thumbnails.UseOwnDirectory" },
        { ConfigField::ThumbnailsOwnDirectory, "FileNames.Thumbnails.OwnDirectory" },
        { ConfigField::HTMLDocsIndex, "FileNames.HTMLDocs.Index" },
        { ConfigField::HTMLDocsGallery, "FileNames.HTMLDocs.Gallery" },
        { ConfigField::HTMLDocsDetails, "FileNames.HTMLDocs.Details" },
        { ConfigField::Digits, "FileNames.Digits" },
    } };

    const char* YesNo(bool flag) { return flag ? "yes" : "no"; }

} // namespace

const char* ConfigFieldName(ConfigField field)
{
    for (const FieldInfo& info : FieldTable)
        if (info.Field == field)
            return info.Name;
    return "";
}

std::optional<ConfigField> FindConfigField(std::string_view name)
{
    for (const FieldInfo& info : FieldTable)
        if (name == info.Name)
            return info.Field;
    return std::nullopt;
}

const std::vector<ConfigField>& AllConfigFields()
{
    static const std::vector<ConfigField> fields = [] {
        std::vector<ConfigField> list;
        for (const FieldInfo& info : FieldTable)
            list.push_back(info.Field);
        return list;
    }();
    return fields;
}

bool IsInEffect(const Configuration& config, ConfigField field)
{
    switch (field) {
    case ConfigField::PreviewHeight:
        return config.PreviewImages.GetAspect() == Aspect::free;
    case ConfigField::ThumbnailHeight:
        return config.ThumbnailImages.GetAspect() == Aspect::free;
    case ConfigField::EqualizeStrength:
    case ConfigField::EqualizeMode:
        return config.Preprocessing.Equalize;
    case ConfigField::ThumbsPerLine:
        // The modern index fills the width with as many thumbnails as fit.
        return AtLeast(config.Output.Mode, OutputMode::IndexOnly) && config.Output.Layout == PageLayout::Classic;
    case ConfigField::FullWidth:
        return config.Output.Layout == PageLayout::Classic;
    case ConfigField::Layout:
        return AtLeast(config.Output.Mode, OutputMode::IndexOnly);
    case ConfigField::PreviewOwnDirectory:
        return config.FileNames.Preview.UseOwnDirectory;
    case ConfigField::ThumbnailsOwnDirectory:
        return config.FileNames.Thumbnails.UseOwnDirectory;
    case ConfigField::ThumbnailFrameSize:
        return config.ThumbnailImages.FrameSize() != 0;
    default:
        return true;
    }
}

void ApplyFieldText(Configuration& config, ConfigField field, std::string_view text)
{
    auto number = [&](TRangedNumber& target) { target = NumberFromText(text, target.Range(), target); };
    auto& preview = config.PreviewImages;
    auto& thumbs = config.ThumbnailImages;
    auto& names = config.FileNames;
    switch (field) {
    case ConfigField::Verbose:
        config.Verbose = TextToFlag(text);
        break;
    case ConfigField::DestDir:
        config.DestDir = text;
        break;
    case ConfigField::AlbumTitle:
        config.AlbumTitle = text;
        break;
    case ConfigField::MedianFilter:
        config.Preprocessing.MedianFilter = TextToFlag(text);
        break;
    case ConfigField::Equalize:
        config.Preprocessing.Equalize = TextToFlag(text);
        break;
    case ConfigField::EqualizeStrength:
        number(config.Preprocessing.EqualizeStrength);
        break;
    case ConfigField::EqualizeMode:
        config.Preprocessing.EqualizeMode = EqualizeModeFromText(text);
        break;
    case ConfigField::ExifRotation:
        config.Preprocessing.ExifRotation = TextToFlag(text);
        break;
    case ConfigField::PreviewWidth:
        preview.SetWidth(NumberFromText(text, preview.SizeRange(), preview.Width()));
        break;
    case ConfigField::PreviewHeight:
        preview.SetHeight(NumberFromText(text, preview.SizeRange(), preview.Height()));
        break;
    case ConfigField::PreviewAspect:
        preview.SetAspect(AspectFromText(text));
        break;
    case ConfigField::PreviewQuality:
        number(preview.Quality);
        break;
    case ConfigField::PreviewProgressive:
        preview.Progressive = TextToFlag(text);
        break;
    case ConfigField::ThumbnailWidth:
        thumbs.SetWidth(NumberFromText(text, thumbs.SizeRange(), thumbs.Width()));
        break;
    case ConfigField::ThumbnailHeight:
        thumbs.SetHeight(NumberFromText(text, thumbs.SizeRange(), thumbs.Height()));
        break;
    case ConfigField::ThumbnailAspect:
        thumbs.SetAspect(AspectFromText(text));
        break;
    case ConfigField::ThumbnailQuality:
        number(thumbs.Quality);
        break;
    case ConfigField::ThumbnailProgressive:
        thumbs.Progressive = TextToFlag(text);
        break;
    case ConfigField::ThumbnailFrameSize:
        thumbs.LoadFrameSize(text);
        break;
    case ConfigField::OutputMode:
        config.Output.Mode = OutputModeFromText(text);
        break;
    case ConfigField::ThumbsPerLine:
        number(config.Output.ThumbsPerLine);
        break;
    case ConfigField::UncategorizedImages:
        config.Output.UncategorizedImages = UncategorizedPlacementFromText(text, config.Output.UncategorizedImages);
        break;
    case ConfigField::rm:
        config.Output.rm = TextToFlag(text);
        break;
    case ConfigField::Incremental:
        config.Output.Incremental = TextToFlag(text);
        break;
    case ConfigField::FullWidth:
        config.Output.FullWidth = TextToFlag(text);
        break;
    case ConfigField::Layout:
        config.Output.Layout = PageLayoutFromText(text);
        break;
    case ConfigField::PreviewTemplate:
        names.Preview.Template = text;
        break;
    case ConfigField::PreviewUseOwnDirectory:
        names.Preview.UseOwnDirectory = TextToFlag(text);
        break;
    case ConfigField::PreviewOwnDirectory:
        names.Preview.OwnDirectory = text;
        break;
    case ConfigField::ThumbnailsTemplate:
        names.Thumbnails.Template = text;
        break;
    case ConfigField::ThumbnailsUseOwnDirectory:
        names.Thumbnails.UseOwnDirectory = TextToFlag(text);
        break;
    case ConfigField::ThumbnailsOwnDirectory:
        names.Thumbnails.OwnDirectory = text;
        break;
    case ConfigField::HTMLDocsIndex:
        names.HTMLDocs.Index = text;
        break;
    case ConfigField::HTMLDocsGallery:
        names.HTMLDocs.Gallery = text;
        break;
    case ConfigField::HTMLDocsDetails:
        names.HTMLDocs.Details = text;
        break;
    case ConfigField::Digits:
        number(names.Digits);
        break;
    }
}

std::string FieldText(const Configuration& config, ConfigField field)
{
    const auto& preview = config.PreviewImages;
    const auto& thumbs = config.ThumbnailImages;
    const auto& names = config.FileNames;
    switch (field) {
    case ConfigField::Verbose:
        return config.Verbose ? "-v" : "";
    case ConfigField::DestDir:
        return config.DestDir;
    case ConfigField::AlbumTitle:
        return config.AlbumTitle;
    case ConfigField::MedianFilter:
        return config.Preprocessing.MedianFilter ? "on" : "off";
    case ConfigField::Equalize:
        return YesNo(config.Preprocessing.Equalize);
    case ConfigField::EqualizeStrength:
        return IntToText(config.Preprocessing.EqualizeStrength);
    case ConfigField::EqualizeMode:
        return EqualizeModeName(config.Preprocessing.EqualizeMode);
    case ConfigField::ExifRotation:
        return YesNo(config.Preprocessing.ExifRotation);
    case ConfigField::PreviewWidth:
        return IntToText(preview.Width());
    case ConfigField::PreviewHeight:
        return IntToText(preview.Height());
    case ConfigField::PreviewAspect:
        return AspectName(preview.GetAspect());
    case ConfigField::PreviewQuality:
        return IntToText(preview.Quality);
    case ConfigField::PreviewProgressive:
        return YesNo(preview.Progressive);
    case ConfigField::ThumbnailWidth:
        return IntToText(thumbs.Width());
    case ConfigField::ThumbnailHeight:
        return IntToText(thumbs.Height());
    case ConfigField::ThumbnailAspect:
        return AspectName(thumbs.GetAspect());
    case ConfigField::ThumbnailQuality:
        return IntToText(thumbs.Quality);
    case ConfigField::ThumbnailProgressive:
        return YesNo(thumbs.Progressive);
    case ConfigField::ThumbnailFrameSize:
        return thumbs.FrameSize() > 0 ? IntToText(thumbs.FrameSize()) : "";
    case ConfigField::OutputMode:
        return OutputModeName(config.Output.Mode);
    case ConfigField::ThumbsPerLine:
        return IntToText(config.Output.ThumbsPerLine);
    case ConfigField::UncategorizedImages:
        return UncategorizedPlacementName(config.Output.UncategorizedImages);
    case ConfigField::rm:
        return config.Output.rm ? "-rf" : "";
    case ConfigField::Incremental:
        return YesNo(config.Output.Incremental);
    case ConfigField::FullWidth:
        return YesNo(config.Output.FullWidth);
    case ConfigField::Layout:
        return PageLayoutName(config.Output.Layout);
    case ConfigField::PreviewTemplate:
        return names.Preview.Template;
    case ConfigField::PreviewUseOwnDirectory:
        return YesNo(names.Preview.UseOwnDirectory);
    case ConfigField::PreviewOwnDirectory:
        return names.Preview.OwnDirectory;
    case ConfigField::ThumbnailsTemplate:
        return names.Thumbnails.Template;
    case ConfigField::ThumbnailsUseOwnDirectory:
        return YesNo(names.Thumbnails.UseOwnDirectory);
    case ConfigField::ThumbnailsOwnDirectory:
        return names.Thumbnails.OwnDirectory;
    case ConfigField::HTMLDocsIndex:
        return names.HTMLDocs.Index;
    case ConfigField::HTMLDocsGallery:
        return names.HTMLDocs.Gallery;
    case ConfigField::HTMLDocsDetails:
        return names.HTMLDocs.Details;
    case ConfigField::Digits:
        return IntToText(names.Digits);
    }
    return "";
}

} // namespace korvo
