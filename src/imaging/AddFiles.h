#pragma once

// Adding files: every path that is new to the image list and readable becomes an entry. A long
// operation: busy state, one log line per path, abort between two paths, a summary.

#include "model/Datacore.h"
#include "model/RunLog.h"

#include <string>
#include <vector>

namespace korvo {

struct AddFilesResult {
    int Added = 0;
    int Failed = 0;
    bool Aborted = false;
};

AddFilesResult AddFiles(TImageManager& images, const std::vector<std::string>& paths, IOperationHost& host);

// The path made absolute against the current directory; symlinks are not resolved.
std::string AbsolutePath(const std::string& path);

} // namespace korvo
