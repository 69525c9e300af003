// The one place where the window's commands meet the core's operations. Each call hands the
// window's model objects and the window itself (as the operation's host) to the core.

#include "ui/AlbumOperations.h"

namespace korvo {

namespace {

    // Stands in for an operation whose core library is not part of this build: it goes through
    // the busy state like a real one, so the window behaves the same, and says so in the log.
    void ReportNotAvailable(IOperationHost& host)
    {
        host.BeginBusy();
        host.Log("");
        host.Log("-Noch nicht verfügbar");
        host.Log("");
        host.EndBusy(Page::PLog);
    }

    class TCoreOperations final : public IAlbumOperations {
    public:
        void AddFiles(TImageManager&, const std::vector<std::string>&, IOperationHost& host) override
        {
            ReportNotAvailable(host);
        }
        void RunAlbum(const Configuration&, TImageManager&, IOperationHost& host) override { ReportNotAvailable(host); }
        void SaveProject(const std::string&, const Configuration&, const TImageManager&, IOperationHost& host) override
        {
            ReportNotAvailable(host);
        }
        void LoadProject(const std::string&, Configuration&, TImageManager&, IOperationHost& host) override
        {
            ReportNotAvailable(host);
        }
    };

} // namespace

std::unique_ptr<IAlbumOperations> MakeCoreOperations() { return std::make_unique<TCoreOperations>(); }

} // namespace korvo
