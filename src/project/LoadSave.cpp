#include "project/LoadSave.h"

#include "imaging/Acquire.h"
#include "imaging/CachedAcquire.h"
#include "markup/Charset.h"
#include "markup/MLParse.h"
#include "model/TextRules.h"
#include "model/Version.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <limits>
#include <vector>

namespace korvo {

const char* RotateText(int rotate)
{
    switch (rotate) {
    case 1:
        return "90CW";
    case 2:
        return "180";
    case 3:
        return "90CCW";
    default:
        return "0";
    }
}

int RotateFromText(std::string_view text)
{
    const std::string upper = ToUpperAscii(text);
    if (upper == "90CW" || upper == "90")
        return 1;
    if (upper == "90CCW" || upper == "270")
        return 3;
    if (upper == "180")
        return 2;
    return 0;
}

namespace {

    void AddField(TMLTag& element, const char* attribute, const Configuration& config, ConfigField field)
    {
        element.AddAttribute(attribute, FieldText(config, field));
    }

    void AddImageGroup(TMLTag& element, const Configuration& config, bool thumbnails)
    {
        using F = ConfigField;
        AddField(element, "Width", config, thumbnails ? F::ThumbnailWidth : F::PreviewWidth);
        AddField(element, "Height", config, thumbnails ? F::ThumbnailHeight : F::PreviewHeight);
        AddField(element, "Aspect", config, thumbnails ? F::ThumbnailAspect : F::PreviewAspect);
        AddField(element, "Quality", config, thumbnails ? F::ThumbnailQuality : F::PreviewQuality);
        AddField(element, "Progressive", config, thumbnails ? F::ThumbnailProgressive : F::PreviewProgressive);
        if (thumbnails && config.ThumbnailImages.FrameSize() >= 1)
            AddField(element, "FrameSize", config, F::ThumbnailFrameSize);
    }

    void AddOutputFiles(TMLTag& element, const OutputFileSettings& files)
    {
        element.AddAttribute("Template", files.Template);
        element.AddAttribute("UseOwnDirectory", files.UseOwnDirectory ? "yes" : "no");
        element.AddAttribute("OwnDirectory", files.OwnDirectory);
    }

    TMLTag BuildProjectTree(const Configuration& config, const TImageManager& images)
    {
        using F = ConfigField;
        TMLTag root("Korvo2Project");
        if (std::string_view(ProgramVersion).size() > 0)
            root.AddAttribute("Version", ProgramVersion);

        TMLTag& settings = root.NewChild("Configuration");
        if (config.Verbose)
            settings.AddAttribute("Verbose", "-v");
        settings.NewChild("DestDir").AddAttribute("Value", config.DestDir);
        settings.NewChild("AlbumTitle").AddAttribute("Value", config.AlbumTitle);
        TMLTag& preprocessing = settings.NewChild("Preprocessing");
        AddField(preprocessing, "MedianFilter", config, F::MedianFilter);
        AddField(preprocessing, "Equalize", config, F::Equalize);
        AddField(preprocessing, "EqualizeStrength", config, F::EqualizeStrength);
        AddField(preprocessing, "EqualizeMode", config, F::EqualizeMode);
        // Our own addition to the format: written only where it differs from its default, so that
        // a project with untouched settings is the plain format byte for byte.
        if (!config.Preprocessing.ExifRotation)
            AddField(preprocessing, "ExifRotation", config, F::ExifRotation);
        AddImageGroup(settings.NewChild("PreviewImages"), config, false);
        AddImageGroup(settings.NewChild("ThumbnailImages"), config, true);
        TMLTag& output = settings.NewChild("Output");
        AddField(output, "Mode", config, F::OutputMode);
        AddField(output, "ThumbsPerLine", config, F::ThumbsPerLine);
        AddField(output, "UncategorizedImages", config, F::UncategorizedImages);
        if (config.Output.rm)
            output.AddAttribute("rm", "-rf");
        // Written only when on, so that projects without it stay the plain format.
        if (config.Output.Incremental)
            output.AddAttribute("Incremental", "yes");
        AddField(output, "FullWidth", config, F::FullWidth);
        // Written only when not classic, so that classic projects stay the plain format.
        if (config.Output.Layout != PageLayout::Classic)
            AddField(output, "Layout", config, F::Layout);
        TMLTag& fileNames = settings.NewChild("FileNames");
        AddField(fileNames, "Digits", config, F::Digits);
        AddOutputFiles(fileNames.NewChild("Preview"), config.FileNames.Preview);
        AddOutputFiles(fileNames.NewChild("Thumbnails"), config.FileNames.Thumbnails);
        TMLTag& docs = fileNames.NewChild("HTMLDocs");
        docs.AddAttribute("Index", config.FileNames.HTMLDocs.Index);
        docs.AddAttribute("Gallery", config.FileNames.HTMLDocs.Gallery);
        docs.AddAttribute("Details", config.FileNames.HTMLDocs.Details);

        TMLTag& list = root.NewChild("ImageList");
        list.AddAttribute("Count", IntToText(images.ImageCount()));
        // The position of a Category element is its category number; the first one holds the
        // uncategorised pictures and carries no name.
        for (int k = 0; k <= images.CategoryCount(); ++k) {
            TMLTag& category = list.NewChild("Category");
            if (k >= 1)
                category.AddAttribute("Name", images.GetCategoryName(k));
            for (int i = 0; i < images.ImageCount(); ++i) {
                const TImageRecord& image = *images.GetImage(i);
                if (image.Category != k)
                    continue;
                TMLTag& element = category.NewChild("Image");
                element.AddAttribute("Source", image.Source);
                element.AddAttribute("Active", image.Active ? "yes" : "no");
                element.AddAttribute("Rotate", RotateText(image.Rotate));
                element.AddAttribute("Caption", image.Caption);
            }
        }
        return root;
    }

    void ApplyImageGroup(const TMLTag& element, TImageGroupSettings& group)
    {
        group.LoadSize(element.GetAttribute("Width"), element.GetAttribute("Height"), element.GetAttribute("Aspect"));
        group.Quality = NumberFromText(element.GetAttribute("Quality"), group.Quality.Range(), group.Quality);
        group.Progressive = TextToFlag(element.GetAttribute("Progressive"));
    }

    void ApplyOutputFiles(const TMLTag* element, OutputFileSettings& files)
    {
        if (!element)
            return;
        if (const std::string& text = element->GetAttribute("Template"); !text.empty())
            files.Template = text;
        if (const std::string& text = element->GetAttribute("OwnDirectory"); !text.empty())
            files.OwnDirectory = text;
        files.UseOwnDirectory = TextToFlag(element->GetAttribute("UseOwnDirectory"));
    }

    void ApplyConfiguration(const TMLTag& settings, Configuration& config)
    {
        config.Verbose = TextToFlag(settings.GetAttribute("Verbose"));
        if (const TMLTag* e = settings.FindChild("DestDir"))
            config.DestDir = e->GetAttribute("Value");
        if (const TMLTag* e = settings.FindChild("AlbumTitle"))
            config.AlbumTitle = e->GetAttribute("Value");
        if (const TMLTag* e = settings.FindChild("Preprocessing")) {
            auto& p = config.Preprocessing;
            p.MedianFilter = TextToFlag(e->GetAttribute("MedianFilter"));
            p.Equalize = TextToFlag(e->GetAttribute("Equalize"));
            p.EqualizeStrength
                = NumberFromText(e->GetAttribute("EqualizeStrength"), p.EqualizeStrength.Range(), p.EqualizeStrength);
            p.EqualizeMode = EqualizeModeFromText(e->GetAttribute("EqualizeMode"));
            // Written only when off; a file without it (every file with the setting on, and files
            // of other programs) leaves the setting as it is.
            if (e->HasAttribute("ExifRotation"))
                p.ExifRotation = TextToFlag(e->GetAttribute("ExifRotation"));
        }
        if (const TMLTag* e = settings.FindChild("PreviewImages"))
            ApplyImageGroup(*e, config.PreviewImages);
        if (const TMLTag* e = settings.FindChild("ThumbnailImages")) {
            ApplyImageGroup(*e, config.ThumbnailImages);
            config.ThumbnailImages.LoadFrameSize(e->GetAttribute("FrameSize"));
        }
        if (const TMLTag* e = settings.FindChild("Output")) {
            auto& o = config.Output;
            o.Mode = OutputModeFromText(e->GetAttribute("Mode"));
            o.ThumbsPerLine
                = NumberFromText(e->GetAttribute("ThumbsPerLine"), o.ThumbsPerLine.Range(), o.ThumbsPerLine);
            o.UncategorizedImages
                = UncategorizedPlacementFromText(e->GetAttribute("UncategorizedImages"), o.UncategorizedImages);
            o.rm = TextToFlag(e->GetAttribute("rm"));
            o.Incremental = TextToFlag(e->GetAttribute("Incremental"));
            o.FullWidth = TextToFlag(e->GetAttribute("FullWidth"));
            o.Layout = PageLayoutFromText(e->GetAttribute("Layout"));
        }
        if (const TMLTag* e = settings.FindChild("FileNames")) {
            auto& names = config.FileNames;
            names.Digits = NumberFromText(e->GetAttribute("Digits"), names.Digits.Range(), names.Digits);
            ApplyOutputFiles(e->FindChild("Preview"), names.Preview);
            ApplyOutputFiles(e->FindChild("Thumbnails"), names.Thumbnails);
            if (const TMLTag* docs = e->FindChild("HTMLDocs")) {
                if (const std::string& text = docs->GetAttribute("Index"); !text.empty())
                    names.HTMLDocs.Index = text;
                if (const std::string& text = docs->GetAttribute("Gallery"); !text.empty())
                    names.HTMLDocs.Gallery = text;
                if (const std::string& text = docs->GetAttribute("Details"); !text.empty())
                    names.HTMLDocs.Details = text;
            }
        }
    }

    // Older project files were written in windows-1250, newer ones in UTF-8, and a file saved
    // since may mix both: a path is kept as the bytes the file system gave, whatever they are.
    // So every value is taken on its own: valid UTF-8 stays, anything else is read as
    // windows-1250, except the paths (a picture's Source, the DestDir), whose bytes name a file
    // and are kept as they are.
    void DecodeOlderTexts(TMLTag& document)
    {
        document.VisitSubtree([](TMLTag& element) {
            const bool image = element.Name() == "Image";
            const bool destination = element.Name() == "DestDir";
            for (TMLAttribute& attribute : element.Attributes()) {
                if (IsValidUtf8(attribute.Value))
                    continue;
                const bool path = (image && attribute.Name == "Source") || (destination && attribute.Name == "Value");
                if (!path)
                    attribute.Value = Windows1250ToUtf8(attribute.Value);
            }
        });
    }

} // namespace

std::string ProjectText(const Configuration& config, const TImageManager& images)
{
    return BuildProjectTree(config, images).ToText(0);
}

bool SaveProject(
    const std::string& path, const Configuration& config, const TImageManager& images, IOperationHost& host)
{
    // SaveToFile writes ToText(0) of the tree, so the file holds exactly what ProjectText gives.
    const TMLTag root = BuildProjectTree(config, images);
    host.Log("");
    const bool saved = root.SaveToFile(path);
    if (saved) {
        host.Log("*Projekt abgespeichert in " + path);
    } else {
        host.Log("_Fehler beim Speichern des Projektes in " + path);
        host.ShowPage(Page::PLog);
    }
    host.Log("");
    return saved;
}

LoadProjectResult LoadProject(const std::string& path, Configuration& config, TImageManager& images,
    IOperationHost& host, const TAcquireOptions& options)
{
    LoadProjectResult result;
    host.BeginBusy();
    host.Log("");
    host.Log("/Lese Projektdatei " + path);

    // Only a regular file of a sane size is read: a named pipe would wait for a writer forever.
    // A file that cannot be read leaves the document empty, which the root test reports.
    TMLTag document;
    TFailure failure { FailureReason::NotAProject, {} };
    document.LoadFromFile(path, &failure);

    try {
        DecodeOlderTexts(document);
        const TMLTag* root = document.FindChild("Korvo2Project");
        if (!root)
            throw std::runtime_error("no project root");
        failure = { FailureReason::OutOfMemory, {} };
        result.Read = true;

        if (const TMLTag* settings = root->FindChild("Configuration"))
            ApplyConfiguration(*settings, config);
        else
            host.Log("-Keine Konfigurationsdaten");

        if (const TMLTag* list = root->FindChild("ImageList")) {
            images = TImageManager();
            const auto count = ParseWholeNumber(list->GetAttribute("Count"));
            result.Total = count ? static_cast<int>(std::clamp<std::int64_t>(
                               *count, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()))
                                 : 0;
            const std::string total = IntToText(result.Total);

            // The pictures to read, in file order, so that workers can read them ahead.
            std::vector<const std::string*> sources;
            for (int k = 0; k < list->ChildCount(); ++k) {
                const TMLTag& category = *list->Child(k);
                for (int c = 0; c < category.ChildCount(); ++c) {
                    const TMLTag& element = *category.Child(c);
                    if (element.Name() == "Image" && !element.GetAttribute("Source").empty())
                        sources.push_back(&element.GetAttribute("Source"));
                }
            }
            std::vector<TAcquiredImage> acquired(sources.size());
            TCacheReport cache(options, host);
            const int workers = std::max(1, options.Work.Workers > 0 ? options.Work.Workers : AvailableCores());
            TOrderedWork work(static_cast<int>(sources.size()), workers, 4 * workers,
                [&](int item, int) { acquired[item] = ReadThroughCache(*sources[item], options); });

            int seen = 0;
            for (int k = 0; k < list->ChildCount() && !host.AbortRequested(); ++k) {
                const TMLTag& category = *list->Child(k);
                if (k >= 1)
                    images.AddCategory(category.GetAttribute("Name"));
                for (int c = 0; c < category.ChildCount(); ++c) {
                    const TMLTag& element = *category.Child(c);
                    if (element.Name() != "Image")
                        continue;
                    const std::string& source = element.GetAttribute("Source");
                    if (!source.empty()) {
                        const int item = seen++;
                        work.WaitForWithHost(item, host, options.Work.PumpInterval);
                        KeepInCache(options, source, acquired[item]);
                        const std::string prefix = "[" + IntToText(seen) + "/" + total + "] ";
                        bool appended = false;
                        try {
                            // The entry's values are read before it exists, so that running out
                            // of memory leaves no half-read entry behind.
                            std::string caption = element.GetAttribute("Caption");
                            const bool active = TextToFlag(element.GetAttribute("Active"));
                            const int rotate = RotateFromText(element.GetAttribute("Rotate"));
                            appended = AppendImage(images, source, acquired[item]);
                            // A picture that cannot be read keeps its entry, so that saving the
                            // project again loses none of the user's choices for it.
                            if (!appended)
                                AppendMissingImage(images, source);
                            TImageRecord& image = *images.GetImage(images.ImageCount() - 1);
                            image.Category = k;
                            image.Active = active;
                            image.Rotate = rotate;
                            image.Caption = std::move(caption);
                        } catch (const std::exception&) {
                            // Memory ran out for this picture: it is left out, the list goes on.
                            appended = false;
                            acquired[item].Failure = { FailureReason::OutOfMemory, {} };
                        }
                        if (appended) {
                            host.Log("*" + prefix + "Bild hinzugefügt: " + source);
                            if (acquired[item].Damage != FailureReason::None)
                                host.Log(DamageLine(acquired[item].Damage));
                            ++result.Added;
                        } else {
                            host.Log("-" + prefix + "Fehler beim Hinzufügen: " + source);
                            host.Log(FailureLine(acquired[item].Failure));
                        }
                        acquired[item] = {};
                    }
                    // `seen` counts the pictures taken so far: none after them may start.
                    if (work.PumpAfter(seen - 1, host))
                        break;
                }
            }
            cache.Finish();
            result.Aborted = host.AbortRequested();
            if (result.Aborted)
                host.Log("-Vorgang vom Benutzer abgebrochen");
            host.Log("+" + IntToText(result.Added) + " von " + total + " Dateien erfolgreich hinzugefügt");
        } else {
            host.Log("-Keine Bilderlistendaten");
        }
    } catch (const std::exception&) {
        host.Log("-Fehler beim Lesen der Projektdatei");
        host.Log(FailureLine(failure));
    }

    host.Log("");
    images.SortByCategory();
    images.SetViewCategory(-1);
    host.SettingsChanged();
    host.ImageListChanged();
    host.EndBusy(Page::PLog);
    return result;
}

} // namespace korvo
