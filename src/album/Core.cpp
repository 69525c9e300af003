#include "album/Core.h"

#include "album/Pages.h"
#include "fileio/Clearing.h"
#include "fileio/Folder.h"
#include "imaging/AlbumPicture.h"
#include "imaging/Jpeg.h"
#include "imaging/Process.h"
#include "model/TextRules.h"

#include <algorithm>
#include <vector>

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

    // An own picture folder must be one folder level below the destination: a name such as ".."
    // or "../Fotos" from someone else's project would lead the clearing step and the pictures
    // out of it.
    bool OwnFoldersUsable(const Configuration& config)
    {
        const auto& names = config.FileNames;
        return (!names.Preview.UseOwnDirectory || IsOwnFolderName(names.Preview.OwnDirectory))
            && (!names.Thumbnails.UseOwnDirectory || IsOwnFolderName(names.Thumbnails.OwnDirectory));
    }

    // Writes what the work on one picture made (its preview image and thumbnail) and its pages,
    // and logs the picture as a run always has. True when no step failed. Any failure, an
    // unexpected exception included, stays a failure of this picture.
    bool FinishAlbumPicture(TImageRecord& image, const TAlbumPictureResult& made, int position, int n, bool verbose,
        const AlbumRunContext& context, const Configuration& config, const TImageManager& images, IOperationHost& host)
    {
        const auto& names = config.FileNames;
        const int digits = names.Digits;
        bool failed = false;
        const std::string prefix = "[" + IntToText(position) + "/" + IntToText(n) + "] ";
        auto failStep = [&](std::string_view message) {
            failed = true;
            if (verbose)
                host.Log("-" + prefix + std::string(message));
        };
        try {
            if (verbose)
                host.Log("*" + prefix + "Bearbeite " + image.Source);
            if (!made.Loaded) {
                failStep("Fehler beim Einlesen");
            } else {
                int previewWidth = 0;
                int previewHeight = 0;
                const std::string previewPath
                    = context.PreviewDir + BuildFileName(image.Number, names.Preview.Template, digits) + ".jpg";
                if (verbose)
                    host.Log("_" + prefix + "Erzeuge Vorschaubild: " + previewPath);
                if (!made.Preview.Sized)
                    failStep("Fehler beim Berechnen");
                else if (!made.Preview.Encoded || !WriteJpegBytes(previewPath, made.Preview.Jpeg))
                    failStep("Fehler beim Schreiben");
                else {
                    previewWidth = made.Preview.Width;
                    previewHeight = made.Preview.Height;
                }

                if (context.MakeThumbnails) {
                    const std::string thumbnailPath = context.ThumbnailDir
                        + BuildFileName(image.Number, names.Thumbnails.Template, digits) + ".jpg";
                    if (verbose)
                        host.Log("_" + prefix + "Erzeuge Thumbnail: " + thumbnailPath);
                    if (!made.Thumbnail.Sized)
                        failStep("Fehler beim Berechnen");
                    else if (!made.Thumbnail.Encoded || !WriteJpegBytes(thumbnailPath, made.Thumbnail.Jpeg))
                        failStep("Fehler beim Schreiben");
                    else {
                        image.ThumbWidth = made.Thumbnail.Width;
                        image.ThumbHeight = made.Thumbnail.Height;
                    }
                }

                auto writePage = [&](bool details) {
                    const std::string& nameTemplate = details ? names.HTMLDocs.Details : names.HTMLDocs.Gallery;
                    const std::string pagePath
                        = context.BaseDir + BuildFileName(image.Number, nameTemplate, digits) + ".htm";
                    if (verbose)
                        host.Log("_" + prefix + (details ? "Schreibe Details-Datei: " : "Schreibe Galeriendatei: ")
                            + pagePath);
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
        } catch (...) {
            // Exhausted memory while building a path or a line: this picture failed.
            failed = true;
        }

        if (!verbose)
            host.Log((failed ? "-" : "*") + prefix + (failed ? "Fehler: " : "") + image.Source);
        return !failed;
    }

} // namespace

AlbumRunResult RunAlbum(
    const Configuration& config, TImageManager& images, IOperationHost& host, const TWorkOptions& options)
{
    AlbumRunResult result;
    const AlbumRunContext context = BuildAlbumRunContext(config);
    const auto& names = config.FileNames;

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
    if (DestinationRefused(config) || !OwnFoldersUsable(config))
        return endWithDirectoryFailure();

    if (config.Output.rm) {
        if (verbose)
            host.Log("*Lösche vorhandene Dateien aus " + WithoutTrailingSlash(context.BaseDir));
        DeleteFilesByExtension(context.BaseDir, { ".htm", ".jpg" }, false);
        DeleteFilesByExtension(context.PreviewDir, { ".jpg" }, names.Preview.UseOwnDirectory);
        DeleteFilesByExtension(context.ThumbnailDir, { ".jpg" }, names.Thumbnails.UseOwnDirectory);
        if (!verbose)
            host.Log("*Alte Dateien gelöscht");
    }

    if (!EnsureDirectory(context.PreviewDir) || !EnsureDirectory(context.ThumbnailDir))
        return endWithDirectoryFailure();

    // The pictures in album order, as the workers see them: copies, so that nothing a worker
    // reads can change under it (only "-v" can change during the run, and workers ignore it).
    std::vector<int> order;
    for (int index = images.FirstInAlbum(); index >= 0; index = images.GetImage(index)->Next)
        order.push_back(index);
    std::vector<TAlbumPictureJob> jobs;
    jobs.reserve(order.size());
    for (int index : order) {
        const TImageRecord& image = *images.GetImage(index);
        jobs.push_back({ image.Source, image.Rotate, context.MakeThumbnails });
    }
    const Configuration settings = config;
    const int count = static_cast<int>(order.size());
    const int workers = std::max(1, options.Workers > 0 ? options.Workers : AvailableCores());
    std::vector<TAlbumPictureResult> made(order.size());
    std::vector<TPictureWorkspace> workspaces(static_cast<std::size_t>(workers));
    TOrderedWork work(count, workers, 2 * workers, [&](int item, int worker) {
        made[item] = ProcessAlbumPicture(
            jobs[item], settings, workspaces[worker], [&work, item] { return work.Cancelled(item); });
    });

    for (int item = 0; item < count; ++item) {
        TImageRecord& image = *images.GetImage(order[item]);
        // An abort seen while waiting ends the run after this picture: drop the work ahead.
        work.WaitForWithHost(item, host, options.PumpInterval);
        verbose = config.Verbose;
        if (FinishAlbumPicture(image, made[item], item + 1, n, verbose, context, config, images, host))
            ++result.Successes;
        made[item] = {};

        host.ProcessEvents();
        if (host.AbortRequested()) {
            work.StopFrom(item + 1);
            break;
        }
    }

    if (context.MakeIndex) {
        const std::string indexPath = context.BaseDir + SafeFileName(names.HTMLDocs.Index) + ".htm";
        if (verbose)
            host.Log("*Schreibe Index: " + indexPath);
        try {
            WriteIndexPage(indexPath, context, config, images);
            result.IndexWritten = true;
            result.IndexPath = indexPath;
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
