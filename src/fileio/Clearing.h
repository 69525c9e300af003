#pragma once

// What the album run may delete when it clears its destination: files of one folder, never its
// subfolders, and never what a link points to.

#include <initializer_list>
#include <string>
#include <string_view>

namespace korvo {

// Deletes the files of one folder (never its subfolders) whose extension is one of the given
// ones (with the dot, in lower case), in any letter case. A link is removed as a link; its
// target stays. With `skipLinkedFolder`, a folder that is itself a link is left alone.
void DeleteFilesByExtension(
    const std::string& directory, std::initializer_list<std::string_view> extensions, bool skipLinkedFolder);

} // namespace korvo
