#pragma once

// What tells one version of a file from another without reading it: its size and its last
// modification time to the nanosecond. A file the album wrote counts as the album's own only
// while both are unchanged.

#include <cstdint>
#include <optional>
#include <string>

#include <sys/stat.h>
#include <time.h>

namespace korvo {

struct FileStamp {
    std::uint64_t Size = 0;
    std::int64_t Seconds = 0; // modification time, seconds since 1970
    std::uint32_t Nanoseconds = 0; // and the nanoseconds within that second, 0 … 999999999

    bool operator==(const FileStamp&) const = default;
};

// What tells one file from another by name and version: its stamp and the device and inode it
// lives on, so that a file replaced by another of the same size and time still counts as new.
struct FileIdentity {
    FileStamp Stamp;
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;

    bool operator==(const FileIdentity&) const = default;
};

inline FileStamp StampOf(const struct stat& status)
{
    return { static_cast<std::uint64_t>(status.st_size), static_cast<std::int64_t>(status.st_mtim.tv_sec),
        static_cast<std::uint32_t>(status.st_mtim.tv_nsec) };
}

inline FileIdentity IdentityOf(const struct stat& status)
{
    return { StampOf(status), static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino) };
}

// A picture file as the album run saw it (the path is kept beside): its identity, and whether its
// time lies more than a second in the past. A file changed within the same tick of the file
// system's clock as before keeps its time, so a younger one may still change unseen: it is made
// again next time.
struct SeenFile {
    FileIdentity Identity;
    bool Settled = false;
};

// How the file at `path` looks now (a link followed, as reading it does); nullopt when there is
// no regular file.
inline std::optional<SeenFile> LookAtFile(const std::string& path)
{
    struct stat status { };
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    struct timespec now { };
    ::clock_gettime(CLOCK_REALTIME, &now);
    const bool settled = status.st_mtim.tv_sec + 1 < now.tv_sec
        || (status.st_mtim.tv_sec + 1 == now.tv_sec && status.st_mtim.tv_nsec < now.tv_nsec);
    return SeenFile { IdentityOf(status), settled };
}

} // namespace korvo
