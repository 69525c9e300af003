#pragma once

// Project files: the whole working state (settings and image list with its categories) saved as
// a markup tree, and loaded back with every listed picture acquired anew from disk.

#include "imaging/Acquire.h"
#include "model/Configuration.h"
#include "model/Datacore.h"
#include "model/RunLog.h"

#include <string>
#include <string_view>

namespace korvo {

// The whole text SaveProject writes for these settings and this image list, byte for byte. The
// window compares it with the text of the last load or save to tell whether work is unsaved.
std::string ProjectText(const Configuration& config, const TImageManager& images);

// Writes the settings and the image list to `path` (the text of ProjectText), replacing an
// existing file only once the new one is complete. A failure is logged and brings the log page
// into view. True on success.
bool SaveProject(
    const std::string& path, const Configuration& config, const TImageManager& images, IOperationHost& host);

struct LoadProjectResult {
    bool Read = false; // the file held a project (a Korvo2Project root element)
    int Added = 0;
    int Total = 0;
    bool Aborted = false;
};

// Reads `path`: applies the settings the file holds and, when it holds an image list, replaces
// the image list. A listed picture that cannot be read is logged as a failure but keeps its
// entry, marked `Missing`, with its place, category, active flag, rotation and description. A long operation: busy
// state, one log line per picture, abort. The pictures are read several at once, as AddFiles reads them; the log and
// the list are those of reading one after the other.
LoadProjectResult LoadProject(const std::string& path, Configuration& config, TImageManager& images,
    IOperationHost& host, const TAcquireOptions& options = {});

// The project file's spelling of a rotation ("0", "90CW", "180", "90CCW") and its lenient reading.
const char* RotateText(int rotate);
int RotateFromText(std::string_view text);

} // namespace korvo
