#include "imaging/AddFiles.h"

#include "imaging/Acquire.h"
#include "imaging/CachedAcquire.h"
#include "model/TextRules.h"

#include <algorithm>
#include <filesystem>

namespace korvo {

std::string AbsolutePath(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.string();
}

AddFilesResult AddFiles(
    TImageManager& images, const std::vector<std::string>& paths, IOperationHost& host, const TAcquireOptions& options)
{
    AddFilesResult result;
    bool damaged = false;
    const std::string total = IntToText(static_cast<std::int64_t>(paths.size()));

    host.BeginBusy();
    host.Log("");
    host.Log("/Füge " + total + " Dateien hinzu");
    TCacheReport cache(options, host);
    images.ClearMarks();

    // Paths already in the list are not read at all; a path that comes twice in this batch is
    // read twice, and the second reading is dropped when the first one was added.
    const int count = static_cast<int>(paths.size());
    std::vector<std::string> absolute;
    absolute.reserve(paths.size());
    for (const std::string& path : paths)
        absolute.push_back(AbsolutePath(path));
    // A path whose entry is missing is read as well: the entry gets its picture back in place.
    auto takes = [&](const std::string& path) {
        const TImageRecord* entry = images.GetImage(images.FindBySource(path));
        return entry == nullptr || entry->Missing;
    };
    std::vector<std::uint8_t> wanted(paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i)
        wanted[i] = takes(absolute[i]);
    std::vector<TAcquiredImage> acquired(paths.size());
    const int workers = std::max(1, options.Work.Workers > 0 ? options.Work.Workers : AvailableCores());
    TOrderedWork work(count, workers, 4 * workers, [&](int item, int) {
        if (wanted[item])
            acquired[item] = ReadThroughCache(absolute[item], options);
    });

    for (int i = 0; i < count; ++i) {
        work.WaitForWithHost(i, host, options.Work.PumpInterval);
        const std::string& path = absolute[i];
        KeepInCache(options, path, acquired[i]);
        const std::string prefix = "[" + IntToText(i + 1) + "/" + total + "] ";
        bool appended = false;
        TImageRecord* entry = images.GetImage(images.FindBySource(path));
        try {
            if (entry == nullptr)
                appended = AppendImage(images, path, acquired[i]);
            else if (entry->Missing)
                appended = RefillImage(*entry, path, acquired[i]);
        } catch (const std::exception&) {
            // Memory ran out for this picture's entry: it failed to be added, nothing else.
            acquired[i] = {};
            acquired[i].Failure = { FailureReason::OutOfMemory, {} };
        }
        if (appended) {
            // A missing entry found again keeps the turn the user gave it.
            if (options.ExifRotation && entry == nullptr)
                images.GetImage(images.ImageCount() - 1)->Rotate
                    = RotateFromExifOrientation(acquired[i].ExifOrientation);
            host.Log("*" + prefix + "Bild hinzugefügt: " + path);
            if (acquired[i].Damage != FailureReason::None) {
                host.Log(DamageLine(acquired[i].Damage));
                damaged = true;
            }
            ++result.Added;
        } else if (entry != nullptr && !entry->Missing) {
            host.Log("_" + prefix + "Bereits in der Liste: " + path);
        } else if (acquired[i].UnknownType) {
            host.Log("_" + prefix + "Unbekannter Dateityp: " + path);
        } else {
            host.Log("-" + prefix + "Fehler beim Hinzufügen: " + path);
            host.Log(FailureLine(acquired[i].Failure));
            ++result.Failed;
        }
        acquired[i] = {};
        if (work.PumpAfter(i, host))
            break;
    }

    cache.Finish();
    result.Aborted = host.AbortRequested();
    if (result.Aborted)
        host.Log("-Vorgang vom Benutzer abgebrochen");
    host.Log("+" + IntToText(result.Added) + " von " + total + " Dateien erfolgreich hinzugefügt, "
        + IntToText(result.Failed) + " Fehler");
    host.Log("");
    images.SortByCategory();
    // After a failure or a damaged picture the log stays in view, so that its red lines are seen.
    EndListOperation(host, result.Aborted || result.Failed > 0 || damaged);
    return result;
}

void EndListOperation(IOperationHost& host, bool stayOnLog)
{
    host.ImageListChanged();
    if (stayOnLog) {
        host.EndBusy(Page::PLog);
    } else {
        host.Clock().Pause(500);
        host.EndBusy(Page::PImages);
    }
}

std::vector<std::string> ExpandPaths(const std::vector<std::string>& paths)
{
    namespace fs = std::filesystem;
    std::vector<std::string> expanded;
    for (const std::string& path : paths) {
        std::error_code error;
        if (!fs::is_directory(path, error)) {
            expanded.push_back(path);
            continue;
        }
        std::vector<std::string> pictures;
        for (fs::directory_iterator it(path, error), end; !error && it != end; it.increment(error)) {
            std::error_code statusError;
            if (it->is_regular_file(statusError) && FileTypeOf(it->path().string()) != ImageFileType::Unknown)
                pictures.push_back(it->path().string());
        }
        std::sort(pictures.begin(), pictures.end());
        expanded.insert(expanded.end(), pictures.begin(), pictures.end());
    }
    return expanded;
}

} // namespace korvo
