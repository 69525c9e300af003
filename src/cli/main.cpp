// korvo2-album: makes an album from the command line, with the same log as the window.

#include "album/Core.h"
#include "cache/CacheDatabase.h"
#include "cli/ConsoleHost.h"
#include "cli/Options.h"
#include "fileio/CacheFiles.h"
#include "imaging/AddFiles.h"
#include "model/Version.h"
#include "project/LoadSave.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <optional>

using namespace korvo;

namespace {

enum ExitCode { Success = 0, Failure = 1, Usage = 2 };

int UsageError(const std::string& message)
{
    std::fprintf(stderr, "korvo2-album: %s\nHilfe: korvo2-album --help\n", message.c_str());
    return Usage;
}

} // namespace

int main(int argc, char** argv)
{
    CliOptions options;
    std::string error;
    if (!ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), options, error))
        return UsageError(error);
    if (options.Help) {
        std::fputs(UsageText(), stdout);
        return Success;
    }
    if (options.Version) {
        std::printf("korvo2-album %s\n", ProgramVersion);
        return Success;
    }
    const bool project = NamesProject(options);
    if (options.Paths.empty() && !options.ClearCache)
        return UsageError("keine Bilder angegeben");
    if (!project && !options.Dest && !options.Paths.empty())
        return UsageError("--dest fehlt");

    // The progress line goes to standard error, and only when that is a terminal: a redirected
    // log or error output never holds it.
    TConsoleHost host(stdout, options.Raw, ::isatty(STDOUT_FILENO) != 0, ::isatty(STDERR_FILENO) ? stderr : nullptr);
    TConsoleHost::InstallInterruptHandler();
    TCacheSettings cacheSettings;
    cacheSettings.Folder = UserCacheFolder(std::getenv("XDG_CACHE_HOME"), std::getenv("HOME"));
    if (options.ClearCache) {
        const std::string line = ClearAcquireCacheLine(cacheSettings);
        host.Log(line);
        if (options.Paths.empty())
            return line.starts_with('+') ? Success : Failure;
    }
    Configuration config;
    TImageManager images;
    bool failed = false;
    TWorkOptions work;
    work.Workers = options.Jobs;
    // Nobody sees list pictures here, and the album run reads every picture in full anyway:
    // adding reads only headers then. Without a run the pictures are read as the window reads
    // them, so damaged files are reported at once.
    TAcquireOptions acquire;
    acquire.Mode = options.NoRun ? AcquireMode::ListPicture : AcquireMode::HeaderOnly;
    acquire.Work = work;
    acquire.ShowListPicture = false;
    std::optional<TCacheDatabase> cache;
    if (!options.NoCache) {
        cache.emplace(cacheSettings);
        acquire.Cache = &*cache;
    }

    if (project) {
        const LoadProjectResult loaded = LoadProject(options.Paths[0], config, images, host, acquire);
        if (!loaded.Read)
            return Usage;
        if (loaded.Aborted)
            return Failure;
        failed = loaded.Added < loaded.Total;
        ApplyOptions(options, config);
    } else {
        ApplyOptions(options, config);
        acquire.ExifRotation = config.Preprocessing.ExifRotation;
        const AddFilesResult added = AddFiles(images, ExpandPaths(options.Paths), host, acquire);
        if (added.Aborted)
            return Failure;
        failed = added.Failed > 0;
    }
    if (options.Save && !SaveProject(*options.Save, config, images, host))
        failed = true;
    if (options.NoRun)
        return failed ? Failure : Success;

    const AlbumRunResult run = RunAlbum(config, images, host, work);
    std::fflush(stdout);
    // Someone at a terminal is told where to look at the album, once the log has said everything.
    if (run.IndexWritten && ::isatty(STDERR_FILENO))
        std::fprintf(stderr, "Album: %s\n", AbsolutePath(run.IndexPath).c_str());
    if (run.DestinationFailed || run.SourceCollision || run.DestinationBusy)
        return Usage;
    const bool indexMissing = AtLeast(config.Output.Mode, OutputMode::IndexOnly) && !run.IndexWritten;
    if (failed || run.Successes < run.Count || indexMissing || run.Aborted)
        return Failure;
    return Success;
}
