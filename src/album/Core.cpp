#include "album/Core.h"

#include "album/Incremental.h"
#include "album/ModernPages.h"
#include "album/Pages.h"
#include "fileio/AlbumRecord.h"
#include "fileio/Clearing.h"
#include "fileio/Folder.h"
#include "fileio/ReplacingFile.h"
#include "fileio/SourceCollision.h"
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
    context.Modern = context.MakeIndex && config.Output.Layout == PageLayout::Modern;
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

    // Where clearing looks: pages and pictures directly in the destination, pictures in the own
    // folders in use.
    std::vector<ClearingFolder> ClearedFolders(const Configuration& config)
    {
        std::vector<ClearingFolder> folders { { "", { ".htm", ".jpg" } } };
        if (BuildAlbumRunContext(config).Modern)
            folders.front().Extensions.insert(folders.front().Extensions.end(), { ".css", ".js" });
        for (const OutputFileSettings* kind : { &config.FileNames.Preview, &config.FileNames.Thumbnails }) {
            if (kind->UseOwnDirectory
                && std::none_of(folders.begin(), folders.end(),
                    [&](const ClearingFolder& folder) { return folder.Name == kind->OwnDirectory; }))
                folders.push_back({ kind->OwnDirectory, { ".jpg" } });
        }
        return folders;
    }

    // The folder of one kind of picture relative to BaseDir, as the album's record names it.
    std::string RecordFolder(const OutputFileSettings& kind)
    {
        return kind.UseOwnDirectory ? kind.OwnDirectory + "/" : std::string();
    }

    // The files of the album that one picture makes, by name; each lies in BaseDir or, for the
    // pictures, in their own folder. Empty when the mode writes no such file.
    struct PictureFiles {
        std::string Preview;
        std::string Thumbnail;
        std::string Gallery;
        std::string Details;
        std::string Preview2x; // the HiDPI twins of the modern layout
        std::string Thumbnail2x;
    };

    PictureFiles FilesOfPicture(int number, const AlbumRunContext& context, const FileNameSettings& names)
    {
        PictureFiles files;
        files.Preview = BuildFileName(number, names.Preview.Template, names.Digits) + ".jpg";
        if (context.MakeThumbnails)
            files.Thumbnail = BuildFileName(number, names.Thumbnails.Template, names.Digits) + ".jpg";
        if (context.MakeGallery)
            files.Gallery = BuildFileName(number, names.HTMLDocs.Gallery, names.Digits) + ".htm";
        if (context.MakeDetails)
            files.Details = BuildFileName(number, names.HTMLDocs.Details, names.Digits) + ".htm";
        if (context.Modern) {
            files.Preview2x = DoubledFileName(files.Preview);
            if (context.MakeThumbnails)
                files.Thumbnail2x = DoubledFileName(files.Thumbnail);
        }
        return files;
    }

    std::string IndexFileName(const Configuration& config)
    {
        return SafeFileName(config.FileNames.HTMLDocs.Index) + ".htm";
    }

    // The source of the first picture of the list (active or not, present or not) that a file of
    // this run would replace, or nullopt. The record and its journal count as files of the run.
    std::optional<std::string> CollidingSource(
        const AlbumRunContext& context, const Configuration& config, const TImageManager& images)
    {
        OutputFolderFiles base { context.BaseDir, {} };
        OutputFolderFiles previews { context.PreviewDir, {} };
        OutputFolderFiles thumbnails { context.ThumbnailDir, {} };
        for (int index = images.FirstInAlbum(); index >= 0; index = images.GetImage(index)->Next) {
            PictureFiles files = FilesOfPicture(images.GetImage(index)->Number, context, config.FileNames);
            previews.Names.push_back(std::move(files.Preview));
            if (context.MakeThumbnails)
                thumbnails.Names.push_back(std::move(files.Thumbnail));
            if (context.Modern) {
                previews.Names.push_back(std::move(files.Preview2x));
                if (context.MakeThumbnails)
                    thumbnails.Names.push_back(std::move(files.Thumbnail2x));
            }
            if (context.MakeGallery)
                base.Names.push_back(std::move(files.Gallery));
            if (context.MakeDetails)
                base.Names.push_back(std::move(files.Details));
        }
        if (context.MakeIndex)
            base.Names.push_back(IndexFileName(config));
        if (context.Modern)
            for (const ModernAsset& asset : ModernAssets())
                base.Names.emplace_back(asset.Name);
        base.Names.emplace_back(AlbumRecordName);
        base.Names.emplace_back(AlbumJournalName);
        const std::vector<OutputFolderFiles> outputs { std::move(base), std::move(previews), std::move(thumbnails) };

        std::vector<std::string_view> sources;
        sources.reserve(static_cast<std::size_t>(images.ImageCount()));
        for (int index = 0; index < images.ImageCount(); ++index)
            sources.push_back(images.GetImage(index)->Source);
        const std::optional<std::size_t> colliding = FirstSourceAmongOutputs(outputs, sources);
        if (!colliding)
            return std::nullopt;
        return std::string(sources[*colliding]);
    }

    // How one picture goes through an incremental run, besides its pixels.
    struct PictureCourse {
        // The earlier picture when its preview image and thumbnail are kept: nothing is made.
        const AlbumRecordPicture* Kept = nullptr;
        // The record's line for this picture, filled in once both files are written; nullptr
        // when the picture gets none (its file was unknown or changed just now).
        AlbumRecordPicture* Line = nullptr;
        bool KeepUnchanged = false; // write files only when their bytes differ
        TAlbumJournal* Journal = nullptr;
    };

    // How the run writes the album file `recordPath`: named in the journal just before it takes
    // its place, and with `keepUnchanged` not written when its bytes are already there.
    TReplaceOptions Writing(TAlbumJournal& journal, std::string recordPath, bool keepUnchanged)
    {
        TReplaceOptions options;
        options.KeepUnchanged = keepUnchanged;
        options.BeforeRename
            = [&journal, path = std::move(recordPath)](const FileStamp& stamp) { journal.Add(path, stamp); };
        return options;
    }

    // Writes a picture file the worker encoded; false with `failure` set when it was not encoded
    // (the worker's reason) or not written.
    bool WritePictureFile(const std::string& path, const TSizedPicture& picture, FileStamp* stamp,
        const TReplaceOptions& options, TFailure& failure)
    {
        if (!picture.Encoded || path.empty() || picture.Jpeg.empty()) {
            failure = picture.Failure ? picture.Failure : TFailure { FailureReason::Unknown, {} };
            return false;
        }
        return ReplaceFileContents(path,
            std::string_view(reinterpret_cast<const char*>(picture.Jpeg.data()), picture.Jpeg.size()), options, stamp,
            &failure);
    }

    // Writes what the work on one picture made (its preview image and thumbnail) and its pages,
    // and logs the picture as a run always has; a kept picture gets its pages and one line. True
    // when no step failed. Any failure, an unexpected exception included, stays a failure of
    // this picture.
    bool FinishAlbumPicture(TImageRecord& image, const TAlbumPictureResult& made, int position, int n, bool verbose,
        const AlbumRunContext& context, const Configuration& config, const TImageManager& images, IOperationHost& host,
        AlbumRecord& written, const PictureCourse& course)
    {
        const auto& names = config.FileNames;
        bool failed = false;
        const std::string prefix = "[" + IntToText(position) + "/" + IntToText(n) + "] ";
        const bool kept = course.Kept != nullptr;
        // A kept picture's one line stands for all of its steps.
        const bool stepLines = verbose && !kept;
        // Each failure line is followed by its reason; the picture's one line by the first one.
        TFailure firstFailure;
        auto failStep = [&](std::string_view message, const TFailure& failure) {
            failed = true;
            if (!firstFailure)
                firstFailure = failure ? failure : TFailure { FailureReason::Unknown, {} };
            if (stepLines) {
                host.Log("-" + prefix + std::string(message));
                host.Log(FailureLine(failure));
            }
        };
        const bool damaged = !kept && made.Loaded && made.Damage != FailureReason::None;
        try {
            if (stepLines) {
                host.Log("*" + prefix + "Bearbeite " + image.Source);
                if (damaged)
                    host.Log(DamageLine(made.Damage));
            }
            if (!kept && !made.Loaded) {
                failStep("Fehler beim Einlesen", made.LoadFailure);
            } else {
                const PictureFiles files = FilesOfPicture(image.Number, context, names);
                FileStamp stamp;
                auto wrote = [&](const std::string& folder, const std::string& name) {
                    written.Files.push_back({ folder + name, stamp });
                };
                // A HiDPI twin fails its picture's step like the picture itself.
                auto writeTwin = [&](const std::string& folder, const std::string& recordFolder,
                                     const std::string& name, const TSizedPicture& twin) {
                    if (name.empty())
                        return true;
                    if (!twin.Sized) {
                        failStep("Fehler beim Berechnen", twin.Failure);
                        return false;
                    }
                    TFailure failure;
                    if (!WritePictureFile(folder + name, twin, &stamp,
                            Writing(*course.Journal, recordFolder + name, course.KeepUnchanged), failure)) {
                        failStep("Fehler beim Schreiben", failure);
                        return false;
                    }
                    wrote(recordFolder, name);
                    return true;
                };
                int previewWidth = 0;
                int previewHeight = 0;
                bool previewWritten = false;
                bool thumbnailWritten = !context.MakeThumbnails;
                if (kept) {
                    previewWidth = course.Kept->PreviewWidth;
                    previewHeight = course.Kept->PreviewHeight;
                    if (context.MakeThumbnails) {
                        image.ThumbWidth = course.Kept->ThumbWidth;
                        image.ThumbHeight = course.Kept->ThumbHeight;
                    }
                } else {
                    const std::string previewPath = context.PreviewDir + files.Preview;
                    if (verbose)
                        host.Log("_" + prefix + "Erzeuge Vorschaubild: " + previewPath);
                    // A sized picture the worker made, written under the record's name for it.
                    auto writeStep
                        = [&](const std::string& path, const TSizedPicture& picture, const std::string& recordName) {
                              TFailure failure;
                              if (!picture.Sized)
                                  failStep("Fehler beim Berechnen", picture.Failure);
                              else if (!WritePictureFile(path, picture, &stamp,
                                           Writing(*course.Journal, recordName, course.KeepUnchanged), failure))
                                  failStep("Fehler beim Schreiben", failure);
                              else
                                  return true;
                              return false;
                          };
                    if (writeStep(previewPath, made.Preview, RecordFolder(names.Preview) + files.Preview)) {
                        wrote(RecordFolder(names.Preview), files.Preview);
                        previewWidth = made.Preview.Width;
                        previewHeight = made.Preview.Height;
                        previewWritten = writeTwin(
                            context.PreviewDir, RecordFolder(names.Preview), files.Preview2x, made.Preview2x);
                    }

                    if (context.MakeThumbnails) {
                        const std::string thumbnailPath = context.ThumbnailDir + files.Thumbnail;
                        if (verbose)
                            host.Log("_" + prefix + "Erzeuge Thumbnail: " + thumbnailPath);
                        if (writeStep(
                                thumbnailPath, made.Thumbnail, RecordFolder(names.Thumbnails) + files.Thumbnail)) {
                            wrote(RecordFolder(names.Thumbnails), files.Thumbnail);
                            image.ThumbWidth = made.Thumbnail.Width;
                            image.ThumbHeight = made.Thumbnail.Height;
                            thumbnailWritten = writeTwin(context.ThumbnailDir, RecordFolder(names.Thumbnails),
                                files.Thumbnail2x, made.Thumbnail2x);
                        }
                    }
                    if (course.Line && previewWritten && thumbnailWritten) {
                        course.Line->PreviewWidth = previewWidth;
                        course.Line->PreviewHeight = previewHeight;
                        course.Line->ThumbWidth = context.MakeThumbnails ? image.ThumbWidth : 0;
                        course.Line->ThumbHeight = context.MakeThumbnails ? image.ThumbHeight : 0;
                        written.Pictures.push_back(*course.Line);
                    }
                }

                auto writePage = [&](bool details) {
                    const std::string& name = details ? files.Details : files.Gallery;
                    const std::string pagePath = context.BaseDir + name;
                    if (stepLines)
                        host.Log("_" + prefix + (details ? "Schreibe Details-Datei: " : "Schreibe Galeriendatei: ")
                            + pagePath);
                    try {
                        (context.Modern ? WriteModernImagePage : WriteImagePage)(pagePath, image, details, previewWidth,
                            previewHeight, context, config, images, &stamp,
                            Writing(*course.Journal, name, course.KeepUnchanged));
                        wrote("", name);
                    } catch (const THtmlWriteError& error) {
                        failStep("Fehler beim Schreiben", error.Failure());
                    } catch (const std::exception&) {
                        failStep("Fehler beim Schreiben", { FailureReason::OutOfMemory, {} });
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
            if (!firstFailure)
                firstFailure = { FailureReason::OutOfMemory, {} };
        }

        if (kept && !failed) {
            host.Log("_" + prefix + "unverändert: " + image.Source);
        } else if (!stepLines) {
            host.Log((failed ? "-" : "*") + prefix + (failed ? "Fehler: " : "") + image.Source);
            if (failed)
                host.Log(FailureLine(firstFailure));
            if (damaged)
                host.Log(DamageLine(made.Damage));
        }
        return !failed;
    }

} // namespace

int CountFilesToClear(const Configuration& config)
{
    if (!config.Output.rm || DestinationRefused(config) || !OwnFoldersUsable(config))
        return 0;
    try {
        const TFolder album = TFolder::Open(BuildAlbumRunContext(config).BaseDir);
        const std::optional<AlbumRecord> record = ReadAlbumRecord(album);
        return record ? ClearRecordedFiles(album, record, ClearedFolders(config), false).Deleted : 0;
    } catch (const std::exception&) {
        return 0; // out of memory
    }
}

AlbumRunResult RunAlbum(
    const Configuration& config, TImageManager& images, IOperationHost& host, const TWorkOptions& options)
{
    AlbumRunResult result;
    const AlbumRunContext context = BuildAlbumRunContext(config);

    images.BuildAlbumOrder(config.Output.UncategorizedImages);
    const int n = images.AlbumCount();
    result.Count = n;

    host.BeginBusy();
    host.Log("");
    if (const int left = images.MissingLeftOut(); left > 0)
        host.Log("-" + IntToText(left) + (left == 1 ? " fehlendes Bild ausgelassen" : " fehlende Bilder ausgelassen"));
    host.Log("/Erzeuge Album aus " + IntToText(n) + " Bildern");
    const std::uint32_t startTicks = host.Clock().TickCount();
    bool verbose = config.Verbose;

    auto endWithDirectoryFailure = [&](const TFailure& failure) {
        host.Log("-Kann Zielverzeichnisse nicht anlegen!");
        host.Log(FailureLine(failure));
        host.Log("");
        host.EndBusy(Page::PLog);
        result.DestinationFailed = true;
        return result;
    };
    if (DestinationRefused(config))
        return endWithDirectoryFailure({ FailureReason::NoDestination, {} });
    if (!OwnFoldersUsable(config))
        return endWithDirectoryFailure({ FailureReason::BadFolderName, {} });
    // Before anything is cleared, created or written: no file of the album may be a picture the
    // album is made from.
    if (const std::optional<std::string> original = CollidingSource(context, config, images)) {
        host.Log("-Zielverzeichnis enthält Originalbilder, die überschrieben würden: " + *original);
        host.Log("");
        host.EndBusy(Page::PLog);
        result.SourceCollision = true;
        return result;
    }

    // One run at a time in a destination: a second one would mix its files and record with
    // ours. A destination that does not exist yet is locked once it has been created.
    TFolder album = TFolder::Open(context.BaseDir);
    auto endWhenBusy = [&] {
        host.Log("-Zielverzeichnis wird gerade von einem anderen Lauf benutzt!");
        host.Log("");
        host.EndBusy(Page::PLog);
        result.DestinationBusy = true;
        return result;
    };
    if (!album.Lock())
        return endWhenBusy();
    // Before anything is removed or written: a destination this run cannot write into is one
    // refusal, not a failure for every picture and page.
    if (const TFailure failure = FoldersWriteFailure({ context.PreviewDir, context.ThumbnailDir, context.BaseDir }))
        return endWithDirectoryFailure(failure);

    // The record of the earlier runs, read before anything is cleared or written.
    const std::optional<AlbumRecord> earlier = ReadAlbumRecord(album);
    // With rm the destination is cleared as the record says and everything is made anew.
    const bool incremental = config.Output.Incremental && !config.Output.rm;
    // What a run killed half-way left behind would stay beside the album for good.
    if (incremental)
        (void)RemoveWriterLeftovers(album);

    if (config.Output.rm) {
        if (verbose)
            host.Log("*Lösche vorhandene Dateien aus " + WithoutTrailingSlash(context.BaseDir));
        const ClearingCount cleared
            = ClearRecordedFiles(TFolder::Open(context.BaseDir), earlier, ClearedFolders(config), true);
        if (!verbose)
            host.Log("*Alte Dateien gelöscht");
        if (cleared.Foreign > 0)
            host.Log("_" + IntToText(cleared.Foreign) + " fremde Dateien behalten");
    }

    TFailure directoryFailure;
    if (!EnsureDirectory(context.PreviewDir, &directoryFailure)
        || !EnsureDirectory(context.ThumbnailDir, &directoryFailure))
        return endWithDirectoryFailure(directoryFailure);
    if (!album.Valid()) {
        album = TFolder::Open(context.BaseDir);
        if (!album.Lock())
            return endWhenBusy();
    }
    // A journal left by a run that did not end goes into the record first, so that the new
    // journal can start empty. When that record cannot be written (a full disk), the old journal
    // stays and this run keeps none: its files then count as the user's, which is safe.
    bool folded = true;
    if (earlier && earlier->Journaled) {
        try {
            folded = WriteAlbumRecord(
                context.BaseDir, MergeAlbumRecord(album, *earlier, AlbumRecord { {}, earlier->Pictures }));
        } catch (const std::exception&) {
            folded = false;
        }
    }
    TAlbumJournal journal;
    if (folded)
        (void)journal.Start(album);
    // From here on the run ends with a record of what it wrote, also after an abort.
    AlbumRecord written;

    // The pictures in album order, as the workers see them: copies, so that nothing a worker
    // reads can change under it (only "-v" can change during the run, and workers ignore it).
    std::vector<int> order;
    for (int index = images.FirstInAlbum(); index >= 0; index = images.GetImage(index)->Next)
        order.push_back(index);
    std::vector<TAlbumPictureJob> jobs;
    jobs.reserve(order.size());
    for (int index : order) {
        const TImageRecord& image = *images.GetImage(index);
        jobs.push_back({ image.Source, image.Rotate, context.MakeThumbnails, context.Modern });
    }
    // What each picture was made from, for the record, and, in an incremental run, the pictures
    // whose files stay as they are. Decided before any work starts: a kept picture is never read.
    const TEarlierPictures earlierPictures(album, incremental && earlier ? &*earlier : nullptr);
    std::vector<std::optional<AlbumRecordPicture>> lines(order.size());
    std::vector<std::optional<AlbumRecordPicture>> kept(order.size());
    for (std::size_t item = 0; item < order.size(); ++item) {
        const TImageRecord& image = *images.GetImage(order[item]);
        const std::optional<SeenFile> seen = LookAtFile(image.Source);
        if (!seen)
            continue;
        const PictureFiles files = FilesOfPicture(image.Number, context, config.FileNames);
        AlbumRecordPicture line;
        line.Preview = RecordFolder(config.FileNames.Preview) + files.Preview;
        if (context.MakeThumbnails)
            line.Thumbnail = RecordFolder(config.FileNames.Thumbnails) + files.Thumbnail;
        line.Settings = PictureSettingsHash(config, image, line.Preview, line.Thumbnail, context.Modern);
        line.Source = image.Source;
        line.SourceIdentity = seen->Identity;
        kept[item] = earlierPictures.Kept(line, context.Modern);
        if (seen->Settled)
            lines[item] = std::move(line);
    }
    const Configuration settings = config;
    const int count = static_cast<int>(order.size());
    const int workers = std::max(1, options.Workers > 0 ? options.Workers : AvailableCores());
    std::vector<TAlbumPictureResult> made(order.size());
    std::vector<TPictureWorkspace> workspaces(static_cast<std::size_t>(workers));
    // Only the pictures to make go to the workers (a kept one would cost a hand-over each).
    std::vector<int> toMake;
    for (int item = 0; item < count; ++item)
        if (!kept[static_cast<std::size_t>(item)])
            toMake.push_back(item);
    TOrderedWork work(static_cast<int>(toMake.size()), workers, 2 * workers, [&](int job, int worker) {
        const int item = toMake[static_cast<std::size_t>(job)];
        made[item] = ProcessAlbumPicture(
            jobs[item], settings, workspaces[worker], [&work, job] { return work.Cancelled(job); });
    });

    int reached = 0;
    int madeSoFar = 0; // pictures handed back by the workers, the current one included
    for (int item = 0; item < count; ++item) {
        TImageRecord& image = *images.GetImage(order[item]);
        // An abort seen while waiting ends the run after this picture: drop the work ahead.
        if (!kept[item])
            work.WaitForWithHost(madeSoFar++, host, options.PumpInterval);
        verbose = config.Verbose;
        PictureCourse course;
        course.KeepUnchanged = incremental;
        course.Journal = &journal;
        if (kept[item]) {
            course.Kept = &*kept[item];
            for (const std::string* path : { &kept[item]->Preview, &kept[item]->Thumbnail })
                if (!path->empty()) {
                    written.Files.push_back({ *path, earlierPictures.StampOf(*path) });
                    if (context.Modern) {
                        const std::string twin = DoubledFileName(*path);
                        written.Files.push_back({ twin, earlierPictures.StampOf(twin) });
                    }
                }
            written.Pictures.push_back(*kept[item]);
            ++result.Kept;
        } else if (lines[item]) {
            course.Line = &*lines[item];
        }
        if (FinishAlbumPicture(image, made[item], item + 1, n, verbose, context, config, images, host, written, course))
            ++result.Successes;
        ++reached;
        made[item] = {};

        // After an abort no picture after this one starts.
        if (work.PumpAfter(madeSoFar - 1, host))
            break;
    }

    if (context.MakeIndex) {
        const std::string indexName = IndexFileName(config);
        const std::string indexPath = context.BaseDir + indexName;
        if (verbose)
            host.Log("*Schreibe Index: " + indexPath);
        try {
            FileStamp stamp;
            // The modern pages' style sheet and script first: the index is no use without them.
            if (context.Modern)
                for (const ModernAsset& asset : ModernAssets()) {
                    if (!ReplaceFileContents(context.BaseDir + std::string(asset.Name), asset.Text,
                            Writing(journal, std::string(asset.Name), incremental), &stamp))
                        throw THtmlWriteError("cannot write " + std::string(asset.Name));
                    written.Files.push_back({ std::string(asset.Name), stamp });
                }
            (context.Modern ? WriteModernIndexPage : WriteIndexPage)(
                indexPath, context, config, images, &stamp, Writing(journal, indexName, incremental));
            written.Files.push_back({ indexName, stamp });
            result.IndexWritten = true;
            result.IndexPath = indexPath;
            if (!verbose)
                host.Log("*Thumbnail-Übersicht geschrieben");
        } catch (const std::exception& error) {
            result.IndexFailed = true;
            host.Log("-Fehler beim Schreiben der Thumbnail-Übersicht");
            const auto* page = dynamic_cast<const THtmlWriteError*>(&error);
            host.Log(FailureLine(page ? page->Failure() : TFailure { FailureReason::OutOfMemory, {} }));
        }
    }

    // A picture the loop did not reach after an abort would have been kept: it stays known.
    for (int item = reached; item < count; ++item)
        if (kept[static_cast<std::size_t>(item)])
            written.Pictures.push_back(*kept[static_cast<std::size_t>(item)]);

    // The files of earlier runs that this one no longer makes go, once the whole album has
    // been made: after an abort the pictures not reached still need theirs.
    result.Aborted = host.AbortRequested();
    if (incremental && earlier && !result.Aborted) {
        try {
            result.Removed = RemoveUnwrittenFiles(album, *earlier, written);
        } catch (const std::exception&) {
            // Out of memory: the files stay, and the record still lists them.
        }
    }

    // A record that cannot be written leaves the earlier one in place; a later clearing then
    // finds the files rewritten since and keeps them, so nothing is lost either way.
    try {
        (void)WriteAlbumRecord(context.BaseDir, MergeAlbumRecord(album, earlier ? *earlier : AlbumRecord(), written));
    } catch (const std::exception&) {
        // Out of memory: the earlier record stays, as above.
    }
    // The run ended: whatever its record says, the journal is needed only after a crash.
    journal.Finish(album);

    if (result.Aborted)
        host.Log("-Vorgang vom Benutzer abgebrochen");
    if (incremental)
        host.Log("_" + IntToText(reached - result.Kept) + " Bilder neu erzeugt, " + IntToText(result.Kept)
            + " unverändert, " + IntToText(result.Removed) + " alte Dateien entfernt");
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
