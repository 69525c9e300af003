#pragma once

// Folders: the album run creates one level at a time, never a whole chain of missing parents.

#include <string>

namespace korvo {

// True when `directory` is a folder afterwards: it was one, or it was created. Only one level is
// created; its parent must exist.
bool EnsureDirectory(const std::string& directory);

} // namespace korvo
