#pragma once

// Adding files: every path that is new to the image list and readable becomes an entry. A long
// operation: busy state, one log line per path, abort between two paths, a summary.

#include "imaging/Acquire.h"
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

// A path whose entry is missing (its file could not be read when a project was loaded) is
// read again; when it reads now, the entry gets its picture in place and keeps its category,
// active flag, rotation, description and place, logged and counted as added.
//
// Several files are read at once on worker threads (options.Work); this thread alone logs and
// appends, path by path in the given order, so the log and the list come out exactly as when
// one file is read after the other. After an abort no path beyond the current one is logged or
// added (reading begun on later ones is dropped).
AddFilesResult AddFiles(TImageManager& images, const std::vector<std::string>& paths, IOperationHost& host,
    const TAcquireOptions& options = {});

// How adding files and finding missing pictures end, once their summary is logged: the list is
// shown anew, and after half a second the image list page takes over from the log, unless the
// log is to stay in view (the user aborted, or adding had failures).
void EndListOperation(IOperationHost& host, bool stayOnLog);

// The paths as the add-images dialog would pass them: a folder is replaced by the picture files
// directly inside it (those whose type FileTypeOf knows, in any letter case), sorted by name byte
// by byte. Used for the paths of korvo2-album and for folders dropped on the window with others.
std::vector<std::string> ExpandPaths(const std::vector<std::string>& paths);

// The path made absolute against the current directory; symlinks are not resolved.
std::string AbsolutePath(const std::string& path);

} // namespace korvo
