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

inline FileStamp StampOf(const struct stat& status)
{
    return { static_cast<std::uint64_t>(status.st_size), static_cast<std::int64_t>(status.st_mtim.tv_sec),
        static_cast<std::uint32_t>(status.st_mtim.tv_nsec) };
}

// A picture file as the album run saw it: where it is (the path is kept beside), its stamp and
// its inode, so that a file replaced by another of the same size and time still differs.
struct FileIdentity {
    FileStamp Stamp;
    std::uint64_t Inode = 0;
    // The file's time lies more than a second in the past. A file changed within the same tick
    // of the file system's clock as before keeps its time, so a younger one may still change
    // unseen: it is made again next time.
    bool Settled = false;

    bool operator==(const FileIdentity& other) const { return Stamp == other.Stamp && Inode == other.Inode; }
};

// The identity of the file at `path` (a link followed, as reading it does); nullopt when there is
// no regular file.
inline std::optional<FileIdentity> IdentityOfFile(const std::string& path)
{
    struct stat status { };
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    struct timespec now { };
    ::clock_gettime(CLOCK_REALTIME, &now);
    const bool settled = status.st_mtim.tv_sec + 1 < now.tv_sec
        || (status.st_mtim.tv_sec + 1 == now.tv_sec && status.st_mtim.tv_nsec < now.tv_nsec);
    return FileIdentity { StampOf(status), static_cast<std::uint64_t>(status.st_ino), settled };
}

} // namespace korvo
