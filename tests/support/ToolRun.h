#pragma once

// Runs korvo2-album as a child process, with optional resource limits and a deadline; collects
// its output lines (standard output and standard error together), exit status and peak memory.

#include <cstdint>
#include <string>
#include <vector>

namespace korvo::testing {

struct ToolLimits {
    std::uint64_t AddressSpace = 0; // RLIMIT_AS in bytes; 0 for none
    std::uint64_t FileSize = 0; // RLIMIT_FSIZE in bytes (writes beyond it fail with EFBIG); 0 for none
    int Seconds = 120; // the child is killed after this long
    int KillAfterMicroseconds = 0; // killed (SIGKILL) this long after its start, as by a crash; 0 never
};

struct ToolOutcome {
    int ExitCode = -1; // -1 when the tool did not end by itself (killed by a signal or the deadline)
    int Signal = 0;
    std::vector<std::string> Lines; // standard output and standard error, one entry per line
    std::string Output;
    std::uint64_t PeakKilobytes = 0; // largest resident size the child reached
    double Seconds = 0;

    bool Has(const std::string& line) const;
    // The lines that begin with `prefix`, in order.
    std::vector<std::string> Starting(const std::string& prefix) const;
};

// The arguments are passed as they are (no shell, so paths with any bytes survive).
ToolOutcome RunAlbumTool(const std::vector<std::string>& arguments, const ToolLimits& limits = {});
// The arguments as a user types them behind the tool's name in a shell, already quoted.
ToolOutcome RunToolInShell(const std::string& arguments, const ToolLimits& limits = {});

// Whether this build runs under AddressSanitizer, which needs far more address space than any
// limit here allows and is too slow for pictures of hundreds of megapixels.
bool SanitizedBuild();

} // namespace korvo::testing
