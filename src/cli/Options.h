#pragma once

// The command line of korvo2-album.

#include "model/Configuration.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace korvo {

struct CliOptions {
    std::optional<std::string> Dest;
    std::optional<std::string> Title;
    std::optional<OutputMode> Mode;
    std::optional<PageLayout> Layout; // --layout modern|classic
    bool Verbose = false;
    bool Raw = false;
    bool Help = false;
    bool Version = false;
    std::optional<std::string> Save; // --save: the project file to write before the run
    bool NoRun = false;
    bool Update = false; // --update: Output.Incremental on
    bool NoCache = false; // --no-cache: every picture is read anew, nothing is kept
    bool ClearCache = false; // --clear-cache: the cache is emptied first
    int Jobs = 0; // -j: pictures worked on at once; 0 for one per core
    std::vector<std::pair<ConfigField, std::string>> Sets; // in command-line order
    std::vector<std::string> Paths;
};

// False with a German message in `error` for bad usage.
// A single path ending in ".kv2" (any letter case) names a project to load.
bool NamesProject(const CliOptions& options);

bool ParseCommandLine(const std::vector<std::string>& arguments, CliOptions& options, std::string& error);

// Applies --dest (made absolute), --title, -v, --mode, --update, --layout and then every --set in order.
void ApplyOptions(const CliOptions& options, Configuration& config);

const char* UsageText();

} // namespace korvo
