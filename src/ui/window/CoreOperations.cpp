// The one place where the window's commands meet the core's operations. Each call hands the
// window's model objects and the window itself (as the operation's host) to the core.

#include "ui/window/AlbumOperations.h"

#include "album/Core.h"
#include "cache/CacheDatabase.h"
#include "fileio/CacheFiles.h"
#include "imaging/AddFiles.h"
#include "imaging/FindMissing.h"
#include "project/LoadSave.h"

#include <cstdlib>
#include <optional>

namespace korvo {

namespace {

    // The cache of one operation: opened at its start and closed at its end, so that no
    // database stays open (or held) between two operations and a failure lasts one operation.
    class TOperationCache {
    public:
        TOperationCache(bool use, const TCacheSettings& settings)
        {
            if (use)
                m_cache.emplace(settings);
        }
        TAcquireOptions Options()
        {
            TAcquireOptions options;
            options.Cache = m_cache ? &*m_cache : nullptr;
            // The list draws only the rows on screen; the others need never be decoded.
            options.DeferListPicture = true;
            return options;
        }

    private:
        std::optional<TCacheDatabase> m_cache;
    };

    class TCoreOperations final : public IAlbumOperations {
    public:
        TCoreOperations() { m_cache.Folder = UserCacheFolder(std::getenv("XDG_CACHE_HOME"), std::getenv("HOME")); }

        void AddFiles(const Configuration& config, TImageManager& images, const std::vector<std::string>& paths,
            IOperationHost& host) override
        {
            TOperationCache cache(m_useCache, m_cache);
            TAcquireOptions options = cache.Options();
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
            TOperationCache cache(m_useCache, m_cache);
            return korvo::LoadProject(path, config, images, host, cache.Options());
        }
        void FindMissing(TImageManager& images, const std::string& folder, IOperationHost& host) override
        {
            TOperationCache cache(m_useCache, m_cache);
            korvo::FindMissing(images, folder, host, cache.Options());
        }
        void UseCache(bool use) override { m_useCache = use; }
        std::string ClearCache() override { return ClearAcquireCacheLine(m_cache); }

    private:
        bool m_useCache = true;
        TCacheSettings m_cache;
    };

} // namespace

std::unique_ptr<IAlbumOperations> MakeCoreOperations() { return std::make_unique<TCoreOperations>(); }

} // namespace korvo
