#include "support/ToolRun.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace korvo::testing {

bool ToolOutcome::Has(const std::string& line) const
{
    return std::find(Lines.begin(), Lines.end(), line) != Lines.end();
}

std::vector<std::string> ToolOutcome::Starting(const std::string& prefix) const
{
    std::vector<std::string> found;
    for (const std::string& line : Lines)
        if (line.starts_with(prefix))
            found.push_back(line);
    return found;
}

bool SanitizedBuild()
{
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#else
    return false;
#endif
#else
    return false;
#endif
}

namespace {

    // Runs `program` with `arguments` (the first names the program itself).
    ToolOutcome RunChild(const char* program, const std::vector<std::string>& arguments, const ToolLimits& limits)
    {
        ToolOutcome outcome;
        int pipeEnds[2];
        if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
            return outcome;
        std::vector<char*> argv;
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);

        const auto start = std::chrono::steady_clock::now();
        const pid_t child = ::fork();
        if (child == 0) {
            ::dup2(pipeEnds[1], STDOUT_FILENO);
            ::dup2(pipeEnds[1], STDERR_FILENO);
            if (limits.AddressSpace > 0) {
                const rlimit limit { limits.AddressSpace, limits.AddressSpace };
                ::setrlimit(RLIMIT_AS, &limit);
            }
            if (limits.FileSize > 0) {
                // Ignored, the signal lets the write fail with EFBIG as on a full disk; the setting
                // survives exec.
                std::signal(SIGXFSZ, SIG_IGN);
                const rlimit limit { limits.FileSize, limits.FileSize };
                ::setrlimit(RLIMIT_FSIZE, &limit);
            }
            ::execv(program, argv.data());
            ::_exit(127);
        }
        ::close(pipeEnds[1]);
        if (child < 0) {
            ::close(pipeEnds[0]);
            return outcome;
        }

        const auto deadline = limits.KillAfterMicroseconds > 0
            ? start + std::chrono::microseconds(limits.KillAfterMicroseconds)
            : start + std::chrono::seconds(limits.Seconds);
        bool killed = false;
        char buffer[65536];
        for (;;) {
            pollfd poll { pipeEnds[0], POLLIN, 0 };
            const auto left
                = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            const int ready
                = ::poll(&poll, 1, killed ? 200 : static_cast<int>(std::clamp<long long>(left.count(), 0, 200)));
            if (ready > 0) {
                const ssize_t count = ::read(pipeEnds[0], buffer, sizeof buffer);
                if (count <= 0)
                    break;
                outcome.Output.append(buffer, static_cast<std::size_t>(count));
            }
            if (!killed && std::chrono::steady_clock::now() > deadline) {
                ::kill(child, SIGKILL);
                killed = true;
            }
        }
        ::close(pipeEnds[0]);

        int status = 0;
        rusage usage {};
        ::wait4(child, &status, 0, &usage);
        outcome.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        outcome.PeakKilobytes = static_cast<std::uint64_t>(usage.ru_maxrss);
        if (WIFEXITED(status))
            outcome.ExitCode = WEXITSTATUS(status);
        else if (WIFSIGNALED(status))
            outcome.Signal = WTERMSIG(status);

        std::size_t begin = 0;
        while (begin < outcome.Output.size()) {
            std::size_t end = outcome.Output.find('\n', begin);
            if (end == std::string::npos)
                end = outcome.Output.size();
            outcome.Lines.push_back(outcome.Output.substr(begin, end - begin));
            begin = end + 1;
        }
        return outcome;
    }

} // namespace

ToolOutcome RunAlbumTool(const std::vector<std::string>& arguments, const ToolLimits& limits)
{
    std::vector<std::string> argv { KORVO2_ALBUM };
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return RunChild(KORVO2_ALBUM, argv, limits);
}

ToolOutcome RunToolInShell(const std::string& arguments, const ToolLimits& limits)
{
    return RunChild("/bin/sh", { "sh", "-c", std::string(KORVO2_ALBUM) + " " + arguments }, limits);
}

} // namespace korvo::testing
