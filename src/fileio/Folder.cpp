#include "fileio/Folder.h"

#include <filesystem>
#include <memory>
#include <system_error>

#include <cerrno>
#include <dirent.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace korvo {

namespace {

    struct TListingCloser {
        void operator()(DIR* listing) const { ::closedir(listing); }
    };

} // namespace

bool EnsureDirectory(const std::string& directory)
{
    std::error_code error;
    if (fs::is_directory(directory, error))
        return true;
    fs::create_directory(directory, error);
    return !error && fs::is_directory(directory, error);
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

std::vector<std::string> TFolder::Names() const { return Listed(false); }

std::vector<std::string> TFolder::FolderNames() const { return Listed(true); }

std::vector<std::string> TFolder::Listed(bool foldersOnly) const
{
    std::vector<std::string> names;
    if (!Valid())
        return names;
    // The listing takes its own descriptor; it shares the position with ours, hence the rewind.
    const int copy = ::fcntl(m_descriptor.Get(), F_DUPFD_CLOEXEC, 0);
    if (copy < 0)
        return names;
    const std::unique_ptr<DIR, TListingCloser> listing(::fdopendir(copy));
    if (!listing) {
        ::close(copy);
        return names;
    }
    ::rewinddir(listing.get());
    while (const dirent* entry = ::readdir(listing.get())) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        // The listing tells most entries' kind, which spares a look at each of a large album's
        // files; only a file system that leaves it open is asked.
        if (foldersOnly && entry->d_type != DT_DIR) {
            const std::optional<struct stat> status
                = entry->d_type == DT_UNKNOWN ? Entry(std::string(name)) : std::nullopt;
            if (!status || !S_ISDIR(status->st_mode))
                continue;
        }
        names.emplace_back(name);
    }
    return names;
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
