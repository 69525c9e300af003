#include "fileio/Clearing.h"

#include "fileio/ReplacingFile.h"

#include <algorithm>
#include <cerrno>

#include <signal.h>
#include <unordered_map>
#include <unordered_set>

namespace korvo {

namespace {

    // The extension from the last "." on, in lower case; none for a name that only starts with
    // one (".jpg" is a hidden file without extension).
    std::string LowerExtension(std::string_view name)
    {
        const std::size_t dot = name.rfind('.');
        if (dot == std::string_view::npos || dot == 0)
            return {};
        std::string extension(name.substr(dot));
        std::transform(extension.begin(), extension.end(), extension.begin(),
            [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
        return extension;
    }

} // namespace

ClearingCount ClearRecordedFiles(const TFolder& album, const std::optional<AlbumRecord>& record,
    const std::vector<ClearingFolder>& folders, bool deleteFiles)
{
    ClearingCount count;
    if (!album.Valid())
        return count;
    std::unordered_map<std::string_view, FileStamp> recorded;
    if (record) {
        for (const AlbumRecordFile& file : record->Files)
            recorded[file.Path] = file.Stamp;
    }
    for (const ClearingFolder& folder : folders) {
        // An own folder is opened without following a link: one that leads elsewhere, the
        // user's photo collection perhaps, is never cleared.
        const TFolder child = folder.Name.empty() ? TFolder() : album.Child(folder.Name);
        const TFolder& here = folder.Name.empty() ? album : child;
        if (!here.Valid())
            continue;
        const std::string prefix = folder.Name.empty() ? std::string() : folder.Name + "/";
        for (const std::string& name : here.Names()) {
            const std::string extension = LowerExtension(name);
            if (name == AlbumRecordName
                || std::find(folder.Extensions.begin(), folder.Extensions.end(), extension) == folder.Extensions.end())
                continue;
            const std::optional<struct stat> status = here.Entry(name);
            if (!status || (!S_ISREG(status->st_mode) && !S_ISLNK(status->st_mode)))
                continue;
            const auto found = recorded.find(prefix + name);
            const bool own = S_ISREG(status->st_mode) && found != recorded.end() && found->second == StampOf(*status);
            if (!own)
                ++count.Foreign;
            else if (!deleteFiles || here.RemoveFile(name))
                ++count.Deleted;
        }
    }
    return count;
}

int RemoveUnwrittenFiles(const TFolder& album, const AlbumRecord& earlier, const AlbumRecord& written)
{
    std::unordered_set<std::string_view> kept;
    for (const AlbumRecordFile& file : written.Files)
        kept.insert(file.Path);
    AlbumRecord unwritten;
    // The style sheet and script of the modern pages go when a run no longer writes them.
    std::vector<ClearingFolder> folders { { "", { ".htm", ".jpg", ".css", ".js" } } };
    for (const AlbumRecordFile& file : earlier.Files) {
        if (kept.contains(file.Path))
            continue;
        unwritten.Files.push_back(file);
        // A picture folder of an earlier run (own folders may have been renamed since).
        const std::size_t slash = file.Path.find('/');
        if (slash != std::string::npos) {
            const std::string name = file.Path.substr(0, slash);
            if (std::none_of(folders.begin(), folders.end(), [&](const ClearingFolder& f) { return f.Name == name; }))
                folders.push_back({ name, { ".jpg" } });
        }
    }
    if (unwritten.Files.empty())
        return 0;
    return ClearRecordedFiles(album, unwritten, folders, true).Deleted;
}

int RemoveWriterLeftovers(const TFolder& album)
{
    int removed = 0;
    auto clean = [&removed](const TFolder& folder) {
        for (const std::string& name : folder.Names()) {
            long pid = 0;
            if (!IsReplacingFileName(name, &pid) || pid <= 0)
                continue;
            // A process of that number that is still there may be writing it.
            const bool gone = ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
            const std::optional<struct stat> status = folder.Entry(name);
            if (gone && status && S_ISREG(status->st_mode) && folder.RemoveFile(name))
                ++removed;
        }
    };
    clean(album);
    // Picture folders of earlier settings, too: a killed run may have been writing into one
    // that nothing names any more.
    for (const std::string& name : album.FolderNames())
        clean(album.Child(name));
    return removed;
}

} // namespace korvo
