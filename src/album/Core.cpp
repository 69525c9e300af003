#include "album/Core.h"

#include "album/Pages.h"
#include "imaging/Process.h"
#include "model/TextRules.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace korvo {

AlbumRunContext BuildAlbumRunContext(const Configuration& config)
{
    AlbumRunContext context;
    context.BaseDir = config.DestDir;
    if (context.BaseDir.empty() || context.BaseDir.back() != '/')
        context.BaseDir += '/';
    const auto& preview = config.FileNames.Preview;
    const auto& thumbnails = config.FileNames.Thumbnails;
    context.PreviewDir = preview.UseOwnDirectory ? context.BaseDir + preview.OwnDirectory + "/" : context.BaseDir;
    context.ThumbnailDir
        = thumbnails.UseOwnDirectory ? context.BaseDir + thumbnails.OwnDirectory + "/" : context.BaseDir;
    context.PreviewUrl = preview.UseOwnDirectory ? preview.OwnDirectory + "/" : "";
    context.ThumbnailUrl = thumbnails.UseOwnDirectory ? thumbnails.OwnDirectory + "/" : "";
    const OutputMode mode = config.Output.Mode;
    context.MakeThumbnails = AtLeast(mode, OutputMode::ThumbsOnly);
    context.MakeIndex = AtLeast(mode, OutputMode::IndexOnly);
    context.MakeGallery = AtLeast(mode, OutputMode::WithGallery);
    context.MakeDetails = AtLeast(mode, OutputMode::WithDetails);
    return context;
}

namespace {

    bool HasExtension(const fs::path& path, std::string_view extension)
    {
        return ToLowerAscii(path.extension().string()) == extension;
    }

    // Deletes the files of one directory (never its subdirectories) whose extension is one of
    // the given ones, in any letter case. A symlink is removed as a link; its target stays.
    void DeleteOldFiles(
        const std::string& directory, std::initializer_list<std::string_view> extensions, bool skipSymlinkedFolder)
    {
        std::error_code error;
        // An own picture folder that is a symlink may lead anywhere, the user's photo collection
        // included: never clear through it.
        const fs::path dir(directory);
        if (skipSymlinkedFolder && fs::is_symlink(dir.has_filename() ? dir : dir.parent_path(), error))
            return;
        for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
            const fs::file_status status = it->symlink_status(error);
            if (error) {
                error.clear();
                continue;
            }
            if (!fs::is_regular_file(status) && !fs::is_symlink(status))
                continue;
            for (std::string_view extension : extensions) {
                if (HasExtension(it->path(), extension)) {
                    std::error_code ignored;
                    fs::remove(it->path(), ignored);
                    break;
                }
            }
        }
    }

    // One directory level; the parent must exist.
    bool EnsureDirectory(const std::string& directory)
    {
        std::error_code error;
        if (fs::is_directory(directory, error))
            return true;
        fs::create_directory(directory, error);
        return !error && fs::is_directory(directory, error);
    }

    std::string WithoutTrailingSlash(std::string path)
    {
        if (path.size() > 1 && path.back() == '/')
            path.pop_back();
        return path;
    }

    // The destination text untouched, or empty: on Linux the placeholder would be a valid folder
    // name and an empty one would make the root folder the album.
    bool DestinationRefused(const Configuration& config)
    {
        return TrimControls(config.DestDir).empty() || config.DestDir == DefaultDestDir;
    }

} // namespace

AlbumRunResult RunAlbum(const Configuration& config, TImageManager& images, IOperationHost& host)
{
    AlbumRunResult result;
    const AlbumRunContext context = BuildAlbumRunContext(config);
    const auto& names = config.FileNames;
    const int digits = names.Digits;

    images.BuildAlbumOrder(config.Output.UncategorizedImages);
    const int n = images.AlbumCount();
    result.Count = n;

    host.BeginBusy();
    host.Log("");
    host.Log("/Erzeuge Album aus " + IntToText(n) + " Bildern");
    const std::uint32_t startTicks = host.Clock().TickCount();
    bool verbose = config.Verbose;

    auto endWithDirectoryFailure = [&] {
        host.Log("-Kann Zielverzeichnisse nicht anlegen!");
        host.Log("");
        host.EndBusy(Page::PLog);
        result.DestinationFailed = true;
        return result;
    };
    if (DestinationRefused(config))
        return endWithDirectoryFailure();

    if (config.Output.rm) {
        if (verbose)
            host.Log("*Lösche vorhandene Dateien aus " + WithoutTrailingSlash(context.BaseDir));
        DeleteOldFiles(context.BaseDir, { ".htm", ".jpg" }, false);
        DeleteOldFiles(context.PreviewDir, { ".jpg" }, names.Preview.UseOwnDirectory);
        DeleteOldFiles(context.ThumbnailDir, { ".jpg" }, names.Thumbnails.UseOwnDirectory);
        if (!verbose)
            host.Log("*Alte Dateien gelöscht");
    }

    if (!EnsureDirectory(context.PreviewDir) || !EnsureDirectory(context.ThumbnailDir))
        return endWithDirectoryFailure();

    int position = 0;
    for (int index = images.FirstInAlbum(); index >= 0;) {
        TImageRecord& image = *images.GetImage(index);
        ++position;
        verbose = config.Verbose;
        bool failed = false;
        int previewWidth = 0;
        int previewHeight = 0;
        const std::string prefix = "[" + IntToText(position) + "/" + IntToText(n) + "] ";
        auto failStep = [&](std::string_view message) {
            failed = true;
            if (verbose)
                host.Log("-" + prefix + std::string(message));
        };

        if (verbose)
            host.Log("*" + prefix + "Bearbeite " + image.Source);
        BitmapPtr loaded = LoadImage(image, config);
        if (!loaded) {
            failStep("Fehler beim Einlesen");
        } else {
            const std::string previewPath
                = context.PreviewDir + BuildFileName(image.Number, names.Preview.Template, digits) + ".jpg";
            if (verbose)
                host.Log("_" + prefix + "Erzeuge Vorschaubild: " + previewPath);
            if (BitmapPtr sized = MakeSizedImage(image, loaded.get(), OutputImageKind::PreviewImage, config); !sized)
                failStep("Fehler beim Berechnen");
            else if (!WriteJpegFile(sized.get(), previewPath, OutputImageKind::PreviewImage, config))
                failStep("Fehler beim Schreiben");
            else {
                previewWidth = sized->Width();
                previewHeight = sized->Height();
            }

            if (context.MakeThumbnails) {
                const std::string thumbnailPath
                    = context.ThumbnailDir + BuildFileName(image.Number, names.Thumbnails.Template, digits) + ".jpg";
                if (verbose)
                    host.Log("_" + prefix + "Erzeuge Thumbnail: " + thumbnailPath);
                if (BitmapPtr sized = MakeSizedImage(image, loaded.get(), OutputImageKind::ThumbnailImage, config);
                    !sized)
                    failStep("Fehler beim Berechnen");
                else if (!WriteJpegFile(sized.get(), thumbnailPath, OutputImageKind::ThumbnailImage, config))
                    failStep("Fehler beim Schreiben");
                else {
                    image.ThumbWidth = sized->Width();
                    image.ThumbHeight = sized->Height();
                }
            }
            loaded.reset();

            auto writePage = [&](bool details) {
                const std::string& nameTemplate = details ? names.HTMLDocs.Details : names.HTMLDocs.Gallery;
                const std::string pagePath
                    = context.BaseDir + BuildFileName(image.Number, nameTemplate, digits) + ".htm";
                if (verbose)
                    host.Log(
                        "_" + prefix + (details ? "Schreibe Details-Datei: " : "Schreibe Galeriendatei: ") + pagePath);
                try {
                    WriteImagePage(pagePath, image, details, previewWidth, previewHeight, context, config, images);
                } catch (const std::exception&) {
                    failStep("Fehler beim Schreiben");
                }
            };
            if (context.MakeGallery)
                writePage(false);
            if (context.MakeDetails)
                writePage(true);
        }

        if (!verbose)
            host.Log((failed ? "-" : "*") + prefix + (failed ? "Fehler: " : "") + image.Source);
        if (!failed)
            ++result.Successes;

        index = image.Next;
        host.ProcessEvents();
        if (host.AbortRequested())
            break;
    }

    if (context.MakeIndex) {
        const std::string indexPath = context.BaseDir + names.HTMLDocs.Index + ".htm";
        if (verbose)
            host.Log("*Schreibe Index: " + indexPath);
        try {
            WriteIndexPage(indexPath, context, config, images);
            result.IndexWritten = true;
            if (!verbose)
                host.Log("*Thumbnail-Übersicht geschrieben");
        } catch (const std::exception&) {
            result.IndexFailed = true;
            host.Log("-Fehler beim Schreiben der Thumbnail-Übersicht");
        }
    }

    result.Aborted = host.AbortRequested();
    if (result.Aborted)
        host.Log("-Vorgang vom Benutzer abgebrochen");
    // Unsigned subtraction: a wrap of the tick counter between start and end still gives the
    // elapsed time.
    const std::uint32_t elapsed = host.Clock().TickCount() - startTicks;
    host.Log("+" + IntToText(result.Successes) + " von " + IntToText(n) + " Bildern erfolgreich umgewandelt in "
        + IntToText(elapsed / 1000) + " Sekunden");
    host.Log("");
    host.EndBusy(Page::PLog);
    return result;
}

} // namespace korvo
