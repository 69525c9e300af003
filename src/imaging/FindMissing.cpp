#include "imaging/FindMissing.h"

#include "imaging/AddFiles.h"
#include "imaging/CachedAcquire.h"
#include "model/OrderedWork.h"
#include "model/TextRules.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <set>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace korvo {

namespace {

    std::string Join(const std::string& folder, const std::string& name)
    {
        return folder.ends_with('/') ? folder + name : folder + "/" + name;
    }

    std::string WithoutTrailingSlashes(std::string path)
    {
        while (path.size() > 1 && path.back() == '/')
            path.pop_back();
        return path;
    }

    using TFileVisitor = std::function<void(const std::string& path, const std::string& name)>;

    // Calls `visit` for every regular file in `root` and below it, in name order. The host's
    // events are processed after every folder entered; false when the folder cannot be read or
    // the user aborted.
    bool WalkFolder(const std::string& root, const TFileVisitor& visit, IOperationHost& host)
    {
        struct TFrame {
            std::string Path;
            std::vector<std::pair<std::string, fs::file_type>> Entries; // sorted by name
            std::size_t Next = 0;
        };
        std::set<std::pair<dev_t, ino_t>> entered;
        // An explicit stack: the depth of a folder tree never reaches the call stack.
        std::vector<TFrame> stack;
        auto enter = [&](std::string path) {
            struct stat status { };
            if (::stat(path.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)
                || !entered.insert({ status.st_dev, status.st_ino }).second)
                return false;
            TFrame frame;
            frame.Path = std::move(path);
            std::error_code error;
            for (fs::directory_iterator it(frame.Path, error), end; !error && it != end; it.increment(error)) {
                std::error_code ignored;
                frame.Entries.emplace_back(it->path().filename().string(), it->symlink_status(ignored).type());
            }
            std::sort(frame.Entries.begin(), frame.Entries.end());
            stack.push_back(std::move(frame));
            return true;
        };
        if (!enter(WithoutTrailingSlashes(root)))
            return false;
        while (!stack.empty()) {
            TFrame& top = stack.back();
            if (top.Next == top.Entries.size()) {
                stack.pop_back();
                continue;
            }
            const auto& [name, type] = top.Entries[top.Next++];
            std::string path = Join(top.Path, name);
            if (type == fs::file_type::regular) {
                visit(path, name);
            } else if (type == fs::file_type::directory) {
                enter(std::move(path)); // `top` is not used after this
                host.ProcessEvents();
                if (host.AbortRequested())
                    return false;
            }
        }
        return true;
    }

} // namespace

FindMissingResult FindMissing(
    TImageManager& images, const std::string& folder, IOperationHost& host, const TAcquireOptions& options)
{
    FindMissingResult result;
    host.BeginBusy();
    host.Log("");
    host.Log("/Suche fehlende Bilder in " + folder);
    images.ClearMarks();

    std::vector<int> missing;
    std::unordered_set<std::string> wantedNames;
    std::unordered_set<std::string> taken; // pictures of the list: no second entry may get one
    for (int i = 0; i < images.ImageCount(); ++i) {
        const TImageRecord& image = *images.GetImage(i);
        taken.insert(image.Source);
        if (image.Missing) {
            missing.push_back(i);
            wantedNames.insert(image.FileName);
        }
    }
    result.Missing = static_cast<int>(missing.size());
    const std::string total = IntToText(result.Missing);

    std::unordered_map<std::string, std::vector<std::string>> matches; // by name, in walk order
    bool walked = true;
    if (!missing.empty()) {
        walked = WalkFolder(
            folder,
            [&](const std::string& path, const std::string& name) {
                if (wantedNames.contains(name))
                    matches[name].push_back(path);
            },
            host);
        if (!walked && !host.AbortRequested())
            host.Log("-Kann Verzeichnis nicht lesen: " + folder);
    }

    // Each entry takes the first file of its name that no other entry has (its own place may
    // be found again: the file came back where it was).
    std::vector<std::string> chosen(missing.size());
    if (walked) {
        for (std::size_t m = 0; m < missing.size(); ++m) {
            const TImageRecord& image = *images.GetImage(missing[m]);
            for (const std::string& candidate : matches[image.FileName]) {
                if (candidate == image.Source || !taken.contains(candidate)) {
                    chosen[m] = candidate;
                    taken.insert(candidate);
                    break;
                }
            }
        }
    }

    const int count = walked ? result.Missing : 0;
    std::vector<TAcquiredImage> acquired(missing.size());
    TCacheReport cache(options, host);
    const int workers = std::max(1, options.Work.Workers > 0 ? options.Work.Workers : AvailableCores());
    TOrderedWork work(count, workers, 4 * workers, [&](int item, int) {
        if (!chosen[item].empty())
            acquired[item] = ReadThroughCache(chosen[item], options);
    });
    for (int i = 0; i < count; ++i) {
        work.WaitForWithHost(i, host, options.Work.PumpInterval);
        TImageRecord& image = *images.GetImage(missing[i]);
        const std::string& path = chosen[i];
        KeepInCache(options, path, acquired[i]);
        const std::string prefix = "[" + IntToText(i + 1) + "/" + total + "] ";
        bool refilled = false;
        try {
            refilled = !path.empty() && RefillImage(image, path, acquired[i]);
        } catch (const std::exception&) {
            // Memory ran out for this picture: it stays missing.
        }
        if (refilled) {
            host.Log("*" + prefix + "Gefunden: " + path);
            if (acquired[i].Damage != FailureReason::None)
                host.Log(DamageLine(acquired[i].Damage));
            ++result.Found;
        } else if (path.empty()) {
            host.Log("_" + prefix + "Nicht gefunden: " + image.Source);
        } else {
            host.Log("-" + prefix + "Fehler beim Hinzufügen: " + path);
            host.Log(FailureLine(acquired[i].Failure.Reason != FailureReason::None
                    ? acquired[i].Failure
                    : TFailure { FailureReason::OutOfMemory, {} }));
        }
        acquired[i] = {};
        if (work.PumpAfter(i, host))
            break;
    }

    cache.Finish();
    result.Aborted = host.AbortRequested();
    if (result.Aborted)
        host.Log("-Vorgang vom Benutzer abgebrochen");
    host.Log("+" + IntToText(result.Found) + " von " + total + " fehlenden Bildern gefunden");
    host.Log("");
    EndListOperation(host, result.Aborted);
    return result;
}

} // namespace korvo
