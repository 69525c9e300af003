#include "fileio/CacheFiles.h"

#include <cerrno>
#include <cstdio>

#include <sys/stat.h>
#include <unistd.h>

namespace korvo {

namespace {

    constexpr const char* Companions[] = { "", "-wal", "-shm" };

    bool Absent(const std::string& path)
    {
        struct stat status { };
        return ::lstat(path.c_str(), &status) != 0 && errno == ENOENT;
    }

} // namespace

std::string UserCacheFolder(const char* xdgCacheHome, const char* home)
{
    // A relative XDG_CACHE_HOME is invalid and to be ignored.
    if (xdgCacheHome && xdgCacheHome[0] == '/')
        return std::string(xdgCacheHome) + "/korvo2";
    if (home && home[0] == '/')
        return std::string(home) + "/.cache/korvo2";
    return {};
}

bool EnsureFolderPath(const std::string& folder)
{
    if (folder.empty())
        return false;
    for (std::size_t end = folder.find('/', 1);; end = folder.find('/', end + 1)) {
        const std::string level = folder.substr(0, end);
        struct stat status { };
        if (::stat(level.c_str(), &status) != 0) {
            if (errno != ENOENT || (::mkdir(level.c_str(), 0700) != 0 && errno != EEXIST))
                return false;
        } else if (!S_ISDIR(status.st_mode)) {
            return false;
        }
        if (end == std::string::npos)
            break;
    }
    struct stat status { };
    return ::stat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

std::optional<FileIdentity> RegularFileIdentity(const std::string& path)
{
    struct stat status { };
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    return IdentityOf(status);
}

bool MoveDatabaseAside(const std::string& path, std::string& movedTo)
{
    movedTo = path + ".beschaedigt";
    bool clean = true;
    for (const char* companion : Companions) {
        const std::string from = path + companion;
        const std::string to = movedTo + companion;
        if (Absent(from)) {
            // An earlier set's companion must not be taken for this one's.
            ::unlink(to.c_str());
            continue;
        }
        if (std::rename(from.c_str(), to.c_str()) != 0 && ::unlink(from.c_str()) != 0)
            clean = false;
    }
    return clean;
}

bool RemoveDatabaseFiles(const std::string& path)
{
    bool clean = true;
    for (const char* companion : Companions) {
        const std::string file = path + companion;
        if (::unlink(file.c_str()) != 0 && errno != ENOENT)
            clean = false;
    }
    return clean;
}

} // namespace korvo
