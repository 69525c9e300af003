#pragma once

// The operations of the core that the main window starts: adding files, the album run, saving
// and loading a project, and finding missing pictures again. The window reaches them only through this interface, so
// the tests can put a fake in their place.

#include "album/Core.h"
#include "model/Configuration.h"
#include "model/Datacore.h"
#include "model/RunLog.h"
#include "project/LoadSave.h"

#include <memory>
#include <string>
#include <vector>

namespace korvo {

class IAlbumOperations {
public:
    virtual ~IAlbumOperations() = default;

    // The configuration says how pictures come in (their turn from EXIF or not).
    virtual void AddFiles(
        const Configuration& config, TImageManager& images, const std::vector<std::string>& paths, IOperationHost& host)
        = 0;
    virtual AlbumRunResult RunAlbum(const Configuration& config, TImageManager& images, IOperationHost& host) = 0;
    // How many files of an earlier run the album run would delete before writing (with
    // Output.rm on), so the window can ask first.
    virtual int FilesToClear(const Configuration& config) = 0;
    // True when the file was written.
    virtual bool SaveProject(
        const std::string& path, const Configuration& config, const TImageManager& images, IOperationHost& host)
        = 0;
    virtual LoadProjectResult LoadProject(
        const std::string& path, Configuration& config, TImageManager& images, IOperationHost& host)
        = 0;
    // Looks for the missing pictures in `folder` and below it.
    virtual void FindMissing(TImageManager& images, const std::string& folder, IOperationHost& host) = 0;
    // Whether adding files, loading a project and finding missing pictures take what earlier
    // reads learnt from the acquisition cache (and keep what they read in it).
    virtual void UseCache(bool use) = 0;
    // Empties the acquisition cache; the log line that tells how it went.
    virtual std::string ClearCache() = 0;
};

// The program's operations: those of the core libraries (CoreOperations.cpp).
std::unique_ptr<IAlbumOperations> MakeCoreOperations();

} // namespace korvo
