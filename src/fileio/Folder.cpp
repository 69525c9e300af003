#include "fileio/Folder.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <system_error>

#include <cerrno>
#include <dirent.h>

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace korvo {

namespace {

    struct TListingCloser {
        void operator()(DIR* listing) const { ::closedir(listing); }
    };

} // namespace

bool EnsureDirectory(const std::string& directory, TFailure* failure)
{
    std::error_code error;
    if (fs::is_directory(directory, error))
        return true;
    fs::create_directory(directory, error);
    if (!error && fs::is_directory(directory, error))
        return true;
    if (failure) {
        *failure = error ? WriteFailure(error.value()) : TFailure { FailureReason::NotAFolder, {} };
        if (failure->Reason == FailureReason::NotFound)
            failure->Reason = FailureReason::FolderNotFound;
    }
    return false;
}

namespace {

    std::string WithoutTrailingSlashes(std::string path)
    {
        while (path.size() > 1 && path.back() == '/')
            path.pop_back();
        return path;
    }

    // An existing folder this process may write into, or why not.
    TFailure WritableFolder(const std::string& path, const struct stat& status)
    {
        if (!S_ISDIR(status.st_mode))
            return { FailureReason::NotAFolder, {} };
        if (::access(path.c_str(), W_OK | X_OK) != 0)
            return WriteFailure(errno);
        return {};
    }

} // namespace

TFailure FoldersWriteFailure(const std::vector<std::string>& folders)
{
    std::vector<std::string> created; // the missing ones that will be made on the way
    for (const std::string& folder : folders) {
        const std::string path = WithoutTrailingSlashes(folder);
        if (std::find(created.begin(), created.end(), path) != created.end())
            continue;
        struct stat status { };
        if (::stat(path.c_str(), &status) == 0) {
            if (TFailure failure = WritableFolder(path, status))
                return failure;
            continue;
        }
        if (errno != ENOENT)
            return WriteFailure(errno);
        // Missing: it is created in its parent, which must exist by then and take it.
        const std::size_t slash = path.rfind('/');
        const std::string parent = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
        if (std::find(created.begin(), created.end(), parent) == created.end()) {
            if (::stat(parent.c_str(), &status) != 0)
                return errno == ENOENT ? TFailure { FailureReason::FolderNotFound, {} } : WriteFailure(errno);
            if (TFailure failure = WritableFolder(parent, status))
                return failure;
        }
        created.push_back(path);
    }
    return {};
}

TFolder TFolder::Open(const std::string& path)
{
    return TFolder(TFileDescriptor(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)));
}

TFolder TFolder::Child(const std::string& name) const
{
    if (!Valid() || name.empty() || name.find('/') != std::string::npos)
        return TFolder();
    return TFolder(
        TFileDescriptor(::openat(m_descriptor.Get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)));
}

std::optional<struct stat> TFolder::Entry(const std::string& name) const
{
    struct stat status { };
    if (!Valid() || name.empty() || name.find('/') != std::string::npos
        || ::fstatat(m_descriptor.Get(), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0)
        return std::nullopt;
    return status;
}

void TFolder::ForEachListed(const std::function<void(const dirent&)>& take) const
{
    if (!Valid())
        return;
    // The listing takes its own descriptor; it shares the position with ours, hence the rewind.
    const int copy = ::fcntl(m_descriptor.Get(), F_DUPFD_CLOEXEC, 0);
    if (copy < 0)
        return;
    const std::unique_ptr<DIR, TListingCloser> listing(::fdopendir(copy));
    if (!listing) {
        ::close(copy);
        return;
    }
    ::rewinddir(listing.get());
    while (const dirent* entry = ::readdir(listing.get())) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            take(*entry);
    }
}

std::vector<std::string> TFolder::Names() const
{
    std::vector<std::string> names;
    ForEachListed([&](const dirent& entry) { names.emplace_back(entry.d_name); });
    return names;
}

std::vector<std::string> TFolder::FolderNames() const
{
    std::vector<std::string> names;
    ForEachListed([&](const dirent& entry) {
        // The listing tells most entries' kind, which spares a look at each of a large album's
        // files; only a file system that leaves it open is asked.
        if (entry.d_type != DT_DIR) {
            const std::optional<struct stat> status = entry.d_type == DT_UNKNOWN ? Entry(entry.d_name) : std::nullopt;
            if (!status || !S_ISDIR(status->st_mode))
                return;
        }
        names.emplace_back(entry.d_name);
    });
    return names;
}

std::vector<TListedEntry> TFolder::Listing() const
{
    std::vector<TListedEntry> entries;
    ForEachListed([&](const dirent& entry) { entries.push_back({ entry.d_name, entry.d_ino }); });
    return entries;
}

bool TFolder::ListsExactInodes() const
{
    struct statfs system { };
    if (!Valid() || ::fstatfs(m_descriptor.Get(), &system) != 0)
        return false;
    switch (static_cast<unsigned long>(system.f_type)) {
    case EXT4_SUPER_MAGIC: // also ext2 and ext3
    case XFS_SUPER_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case TMPFS_MAGIC:
        return true;
    default:
        return false;
    }
}

bool TFolder::RemoveFile(const std::string& name) const
{
    return Valid() && !name.empty() && name.find('/') == std::string::npos
        && ::unlinkat(m_descriptor.Get(), name.c_str(), 0) == 0;
}

bool TFolder::Lock() const
{
    if (!Valid())
        return true;
    return ::flock(m_descriptor.Get(), LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK;
}

} // namespace korvo
