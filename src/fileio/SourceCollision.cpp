#include "fileio/SourceCollision.h"

#include "fileio/Folder.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <system_error>
#include <unordered_map>
#include <unordered_set>

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace korvo {

namespace {

    struct FileIdentity {
        dev_t Device;
        ino_t Inode;
        bool operator==(const FileIdentity&) const = default;
    };

    struct FileIdentityHash {
        std::size_t operator()(const FileIdentity& identity) const
        {
            return std::hash<std::uint64_t>()(static_cast<std::uint64_t>(identity.Inode))
                ^ (std::hash<std::uint64_t>()(static_cast<std::uint64_t>(identity.Device)) << 1);
        }
    };

    // Absolute, and with nothing that lexical normalisation would change.
    bool IsNormalAbsolute(std::string_view path)
    {
        return path.starts_with('/') && path.find("//") == std::string_view::npos
            && path.find("/./") == std::string_view::npos && path.find("/../") == std::string_view::npos
            && !path.ends_with("/.") && !path.ends_with("/..");
    }

    bool IsPlainName(std::string_view name)
    {
        return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos;
    }

} // namespace

std::string NormalPath(std::string_view path)
{
    if (IsNormalAbsolute(path))
        return std::string(path);
    std::error_code error;
    fs::path absolute = fs::absolute(fs::path(path), error);
    if (error)
        absolute = fs::path(path);
    return absolute.lexically_normal().string();
}

std::optional<std::size_t> FirstSourceAmongOutputs(
    const std::vector<OutputFolderFiles>& outputs, const std::vector<std::string_view>& sources)
{
    // The output names by folder (made normal once, with its trailing "/"); a run has at most
    // three folders. Names that are no plain names (never made by the album) are kept whole.
    std::vector<std::pair<std::string, std::unordered_set<std::string_view>>> folders;
    std::unordered_set<std::string> otherPaths;
    for (const OutputFolderFiles& output : outputs) {
        std::string folder = NormalPath(output.Folder);
        if (folder.empty() || folder.back() != '/')
            folder += '/';
        auto found
            = std::find_if(folders.begin(), folders.end(), [&](const auto& entry) { return entry.first == folder; });
        if (found == folders.end())
            found = folders.emplace(folders.end(), folder, std::unordered_set<std::string_view>());
        found->second.reserve(found->second.size() + output.Names.size());
        for (const std::string& name : output.Names) {
            if (IsPlainName(name))
                found->second.insert(name);
            else
                otherPaths.insert(NormalPath(folder + name));
        }
    }

    // The entries that already bear an output's name. A listing of each folder finds them with
    // one look at each; links on the way to the folder are followed, as writing follows them.
    struct TCandidate {
        std::size_t Folder;
        std::string Name;
        std::uint64_t Inode;
    };
    std::vector<TFolder> opened;
    std::vector<TCandidate> candidates;
    for (const auto& [folder, names] : folders) {
        opened.push_back(TFolder::Open(folder));
        for (TListedEntry& entry : opened.back().Listing()) {
            if (names.contains(entry.Name))
                candidates.push_back({ opened.size() - 1, std::move(entry.Name), entry.Inode });
        }
    }

    // With outputs there, the sources' identities, and the regular files among those outputs
    // (a link of an output's name is replaced itself, which harms nothing it points to) that
    // may be one of them. Where the listing's inode numbers are exact, only an output bearing a
    // source's number needs a look; a mount point over an output's name, whose number the
    // listing does not give, cannot be replaced anyway (renaming onto it fails).
    std::vector<std::optional<FileIdentity>> identities(sources.size());
    std::unordered_set<FileIdentity, FileIdentityHash> existing;
    if (!candidates.empty()) {
        std::unordered_set<std::uint64_t> inodes;
        std::string path;
        for (std::size_t index = 0; index < sources.size(); ++index) {
            path.assign(sources[index]);
            struct stat status { };
            if (!path.empty() && ::stat(path.c_str(), &status) == 0) {
                identities[index] = FileIdentity { status.st_dev, status.st_ino };
                inodes.insert(static_cast<std::uint64_t>(status.st_ino));
            }
        }
        std::vector<char> exact;
        for (const TFolder& folder : opened)
            exact.push_back(folder.ListsExactInodes() ? 1 : 0);
        for (const TCandidate& candidate : candidates) {
            if (exact[candidate.Folder] && !inodes.contains(candidate.Inode))
                continue;
            const std::optional<struct stat> status = opened[candidate.Folder].Entry(candidate.Name);
            if (status && S_ISREG(status->st_mode))
                existing.insert({ status->st_dev, status->st_ino });
        }
    }

    std::string normal;
    for (std::size_t index = 0; index < sources.size(); ++index) {
        const std::string_view source = sources[index];
        if (source.empty())
            continue;
        normal = NormalPath(source);
        const std::size_t slash = normal.rfind('/');
        const std::string_view folder = std::string_view(normal).substr(0, slash + 1);
        const std::string_view name = std::string_view(normal).substr(slash + 1);
        for (const auto& [outputFolder, names] : folders) {
            if (outputFolder == folder && names.contains(name))
                return index;
        }
        if (otherPaths.contains(normal))
            return index;
        if (identities[index] && existing.contains(*identities[index]))
            return index;
    }
    return std::nullopt;
}

} // namespace korvo
