#include "imaging/OpenFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvo {

FilePtr OpenRegularFile(const std::string& path, std::uint64_t* size)
{
    // O_NONBLOCK: opening a named pipe without a writer would otherwise wait for one forever.
    // It changes nothing for regular files, and is cleared again before reading.
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (descriptor < 0)
        return nullptr;
    struct stat status { };
    const int flags = ::fcntl(descriptor, F_GETFL);
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode) || flags < 0
        || ::fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(descriptor);
        return nullptr;
    }
    FilePtr file(::fdopen(descriptor, "rb"));
    if (!file) {
        ::close(descriptor);
        return nullptr;
    }
    if (size)
        *size = static_cast<std::uint64_t>(status.st_size);
    return file;
}

} // namespace korvo
