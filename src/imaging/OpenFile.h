#pragma once

// Opening picture files for reading. Only regular files are opened: a named pipe, a device or
// a folder that carries a picture's name gives nullptr at once instead of blocking the run or
// feeding the decoder an endless stream.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace korvo {

struct TFileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, TFileCloser>;

// The file opened for binary reading, or nullptr when it cannot be opened or is no regular
// file. `size` receives its length in bytes when given.
FilePtr OpenRegularFile(const std::string& path, std::uint64_t* size = nullptr);

} // namespace korvo
