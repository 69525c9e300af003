#pragma once

// Runs korvo2-album through the shell, as a user types it: the arguments are already quoted.
// Standard error is collected together with standard output.

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace korvo::testing {

struct ShellOutcome {
    int ExitCode = -1; // -1 when the tool did not end by itself
    std::string Output;
};

inline ShellOutcome RunToolInShell(const std::string& arguments)
{
    ShellOutcome outcome;
    const std::string command = std::string(KORVO2_ALBUM) + " " + arguments + " 2>&1";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return outcome;
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        outcome.Output.append(buffer, got);
    const int status = ::pclose(pipe);
    outcome.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

} // namespace korvo::testing
