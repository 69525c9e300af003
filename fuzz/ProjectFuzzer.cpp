// libFuzzer entry for project loading: the input is a project file. Loading must log and never
// fail hard, and what one load gives must survive a save and a second load unchanged: every
// setting, the category names and the log of the second load.

#include "FuzzSupport.h"
#include "model/Configuration.h"
#include "model/Datacore.h"
#include "project/LoadSave.h"
#include "support/RecordingHost.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

using korvo::fuzz::Check;
using korvo::fuzz::ScratchFolder;

namespace {

std::vector<std::string> Settings(const korvo::Configuration& config)
{
    std::vector<std::string> texts;
    for (const korvo::ConfigField field : korvo::AllConfigFields())
        texts.push_back(korvo::FieldText(config, field));
    return texts;
}

std::vector<std::string> Categories(const korvo::TImageManager& images)
{
    std::vector<std::string> names;
    for (int k = 1; k <= images.CategoryCount(); ++k)
        names.push_back(images.GetCategoryName(k));
    return names;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The input as a file without touching a disk.
    const int memory = ::memfd_create("project", MFD_CLOEXEC);
    if (memory < 0)
        std::abort();
    for (std::size_t written = 0; written < size;) {
        const ssize_t count = ::write(memory, data + written, size - written);
        if (count <= 0)
            std::abort();
        written += static_cast<std::size_t>(count);
    }
    const std::string input = "/proc/self/fd/" + std::to_string(memory);

    korvo::Configuration config;
    korvo::TImageManager images;
    korvo::testing::TRecordingHost host;
    korvo::LoadProject(input, config, images, host);
    ::close(memory);
    Check(!host.Busy());

    const std::string saved = ScratchFolder("project") + "/saved.kv2";
    korvo::testing::TRecordingHost saveHost;
    Check(korvo::SaveProject(saved, config, images, saveHost));

    korvo::Configuration again;
    again.Verbose = !config.Verbose; // the load must set it either way
    korvo::TImageManager reloaded;
    korvo::testing::TRecordingHost loadHost;
    const korvo::LoadProjectResult result = korvo::LoadProject(saved, again, reloaded, loadHost);
    Check(result.Read);
    Check(Settings(again) == Settings(config));
    Check(Categories(reloaded) == Categories(images));
    Check(reloaded.ImageCount() == images.ImageCount());
    return 0;
}
