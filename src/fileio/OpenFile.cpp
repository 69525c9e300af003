#include "fileio/OpenFile.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvo {

namespace {

    bool ReadAll(
        const TFileDescriptor& file, std::uint64_t sizeSeen, std::size_t limit, std::string& text, TFailure* failure)
    {
        auto fail = [failure](TFailure why) {
            if (failure)
                *failure = std::move(why);
            return false;
        };
        if (sizeSeen > limit)
            return fail({ FailureReason::FileTooLarge, {} });
        // One byte more than the size, to see the end of the file without growing the buffer.
        text.resize(static_cast<std::size_t>(sizeSeen) + 1);
        std::size_t size = 0;
        for (;;) {
            if (size == text.size()) {
                // The file has grown since it was opened; keep reading up to its real end.
                if (size > limit)
                    return fail({ FailureReason::FileTooLarge, {} });
                text.resize(std::min(limit + 1, size * 2));
            }
            const std::optional<std::size_t> got = ReadUpTo(file.Get(), text.data() + size, text.size() - size);
            if (!got)
                return fail(ReadFailure(errno));
            size += *got;
            if (size < text.size())
                break;
        }
        if (size > limit)
            return fail({ FailureReason::FileTooLarge, {} });
        text.resize(size);
        return true;
    }

    TFileDescriptor OpenRegular(int folder, const std::string& path, int extraFlags, struct stat& status)
    {
        // O_NONBLOCK: opening a named pipe without a writer would otherwise wait for one forever.
        // It changes nothing for regular files, the only ones kept, so it can stay set.
        TFileDescriptor file(::openat(folder, path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | extraFlags));
        if (!file.Valid())
            return file;
        if (::fstat(file.Get(), &status) != 0 || !S_ISREG(status.st_mode)) {
            // errno tells the caller why; a folder, a device or a pipe is no file to read.
            const int error
                = status.st_mode != 0 && !S_ISREG(status.st_mode) ? (S_ISDIR(status.st_mode) ? EISDIR : ENODEV) : errno;
            file.Close();
            errno = error;
            return TFileDescriptor();
        }
        return file;
    }

    TFileDescriptor OpenRegular(int folder, const std::string& path, int extraFlags, std::uint64_t* size)
    {
        struct stat status { };
        TFileDescriptor file = OpenRegular(folder, path, extraFlags, status);
        if (file.Valid() && size)
            *size = static_cast<std::uint64_t>(status.st_size);
        return file;
    }

} // namespace

TFileDescriptor OpenRegularDescriptor(const std::string& path, std::uint64_t* size)
{
    return OpenRegular(AT_FDCWD, path, 0, size);
}

TFileDescriptor OpenRegularEntry(int folder, const std::string& name, std::uint64_t* size)
{
    if (name.empty() || name.find('/') != std::string::npos)
        return TFileDescriptor();
    return OpenRegular(folder, name, O_NOFOLLOW, size);
}

FilePtr OpenRegularFile(const std::string& path, std::uint64_t* size)
{
    TFileDescriptor descriptor = OpenRegularDescriptor(path, size);
    if (!descriptor.Valid())
        return nullptr;
    FilePtr file(::fdopen(descriptor.Get(), "rb"));
    if (file)
        descriptor.Release();
    return file;
}

std::optional<std::size_t> ReadUpTo(int descriptor, void* buffer, std::size_t size)
{
    std::size_t length = 0;
    auto* bytes = static_cast<char*>(buffer);
    while (length < size) {
        const ssize_t count = ::read(descriptor, bytes + length, size - length);
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (count == 0)
            break;
        length += static_cast<std::size_t>(count);
    }
    return length;
}

bool ReadWholeFile(const std::string& path, std::size_t limit, std::string& text, TFailure* failure)
{
    std::uint64_t size = 0;
    const TFileDescriptor file = OpenRegularDescriptor(path, &size);
    if (!file.Valid()) {
        if (failure)
            *failure = ReadFailure(errno);
        return false;
    }
    return ReadAll(file, size, limit, text, failure);
}

bool ReadWholeEntry(int folder, const std::string& name, std::size_t limit, std::string& text)
{
    std::uint64_t size = 0;
    const TFileDescriptor file = OpenRegularEntry(folder, name, &size);
    return file.Valid() && ReadAll(file, size, limit, text, nullptr);
}

bool ReadWholeUnlinkedFile(const std::string& path, std::size_t limit, std::string& text, FileStamp* stamp)
{
    struct stat status { };
    const TFileDescriptor file = OpenRegular(AT_FDCWD, path, O_NOFOLLOW, status);
    if (!file.Valid() || !ReadAll(file, static_cast<std::uint64_t>(status.st_size), limit, text, nullptr))
        return false;
    if (stamp)
        *stamp = StampOf(status);
    return true;
}

} // namespace korvo
