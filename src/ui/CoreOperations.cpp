// The one place where the window's commands meet the core's operations. Each call hands the
// window's model objects and the window itself (as the operation's host) to the core.

#include "ui/AlbumOperations.h"

#include "album/Core.h"
#include "imaging/AddFiles.h"
#include "imaging/FindMissing.h"
#include "project/LoadSave.h"

namespace korvo {

namespace {

    class TCoreOperations final : public IAlbumOperations {
    public:
        void AddFiles(const Configuration& config, TImageManager& images, const std::vector<std::string>& paths,
            IOperationHost& host) override
        {
            TAcquireOptions options;
            options.ExifRotation = config.Preprocessing.ExifRotation;
            korvo::AddFiles(images, paths, host, options);
        }
        AlbumRunResult RunAlbum(const Configuration& config, TImageManager& images, IOperationHost& host) override
        {
            return korvo::RunAlbum(config, images, host);
        }
        int FilesToClear(const Configuration& config) override { return korvo::CountFilesToClear(config); }
        bool SaveProject(const std::string& path, const Configuration& config, const TImageManager& images,
            IOperationHost& host) override
        {
            return korvo::SaveProject(path, config, images, host);
        }
        LoadProjectResult LoadProject(
            const std::string& path, Configuration& config, TImageManager& images, IOperationHost& host) override
        {
            return korvo::LoadProject(path, config, images, host);
        }
        void FindMissing(TImageManager& images, const std::string& folder, IOperationHost& host) override
        {
            korvo::FindMissing(images, folder, host);
        }
    };

} // namespace

std::unique_ptr<IAlbumOperations> MakeCoreOperations() { return std::make_unique<TCoreOperations>(); }

} // namespace korvo
