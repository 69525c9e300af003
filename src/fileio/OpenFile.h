#pragma once

// Opening files for reading. Only regular files are opened: a named pipe, a device or a folder
// that carries a picture's or a project's name gives nothing at once instead of blocking the run
// or feeding a reader an endless stream. A link to a regular file is read like the file.

#include "fileio/Failure.h"
#include "fileio/FileDescriptor.h"
#include "fileio/FileStamp.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

namespace korvo {

struct TFileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, TFileCloser>;

// The file opened for reading, or an empty holder when it cannot be opened or is no regular
// file; errno then tells why (EISDIR for a folder, ENODEV for a device or pipe). `size` receives
// its length in bytes when given.
TFileDescriptor OpenRegularDescriptor(const std::string& path, std::uint64_t* size = nullptr);

// The same for the entry `name` of an open folder; a link of that name is never followed.
TFileDescriptor OpenRegularEntry(int folder, const std::string& name, std::uint64_t* size = nullptr);

// The same as a FILE for binary reading, or nullptr.
FilePtr OpenRegularFile(const std::string& path, std::uint64_t* size = nullptr);

// Reads up to `size` bytes, fewer only at the end of the file; nullopt on a read error, with
// errno telling which.
std::optional<std::size_t> ReadUpTo(int descriptor, void* buffer, std::size_t size);

// The whole regular file, when it holds at most `limit` bytes (also when it grows while it is
// read); false when it cannot be opened or read, or is larger, and `failure` then says why.
bool ReadWholeFile(const std::string& path, std::size_t limit, std::string& text, TFailure* failure = nullptr);
// The same for the entry `name` of an open folder, never through a link.
bool ReadWholeEntry(int folder, const std::string& name, std::size_t limit, std::string& text);
// The same for a path whose last part is never followed when it is a link (links on the way
// to its folder are); `stamp` receives the stamp of the file read.
bool ReadWholeUnlinkedFile(const std::string& path, std::size_t limit, std::string& text, FileStamp* stamp);

} // namespace korvo
