#pragma once

// What tells one version of a file from another without reading it: its size and its last
// modification time to the nanosecond. A file the album wrote counts as the album's own only
// while both are unchanged.

#include <cstdint>

#include <sys/stat.h>

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

} // namespace korvo
