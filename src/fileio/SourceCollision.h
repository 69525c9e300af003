#pragma once

// An output never replaces a source picture: before a run clears or writes anything, every file
// it is about to write is compared with every picture it reads. A collision is the same path
// once both are made absolute and lexically normal ("/a/./b" and "/a//b" are "/a/b"), or the
// same file reached another way: through a linked folder, a link or a hard link (the same device
// and inode as a regular file that already has the output's name).

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvo {

// The files a run will write into one folder, by name (no "/" in a name).
struct OutputFolderFiles {
    std::string Folder;
    std::vector<std::string> Names;
};

// The path made absolute (against the current folder) and lexically normal; it need not exist.
std::string NormalPath(std::string_view path);

// The index of the first source that is one of the outputs, or nullopt. Cheap for large albums:
// one listing of each output folder and one look at each output file that exists already, and
// one look at each source only when some output file exists at all.
std::optional<std::size_t> FirstSourceAmongOutputs(
    const std::vector<OutputFolderFiles>& outputs, const std::vector<std::string_view>& sources);

} // namespace korvo
