#pragma once

// Shared pieces of the hostile end-to-end tests: a folder of generated input files with the
// outcome each one must have, and the log lines korvo2-album writes for them.

#include "support/TempDir.h"
#include "support/ToolRun.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvo::testing {

using Bytes = std::vector<std::uint8_t>;

// One input file: whether its picture can be read whole, and whether adding it succeeds. The
// command-line tool adds a JPEG from its header alone unless it makes no album (--no-run), so a
// file with a sound header but damaged data is added and then fails in the album run.
struct HostileInput {
    std::string Path;
    bool Readable = false;
    std::optional<bool> Added = std::nullopt; // when not given: as Readable
    // The grey reason under its failure lines; when empty, any one grey line.
    std::string Reason = {};
};

// The log lines of adding the inputs in order, summary and separator included; `whole` when
// the pictures are read whole (--no-run), not from their headers.
inline const std::string AnyReason = "_(any reason)";

std::vector<std::string> ExpectedAddLines(const std::vector<HostileInput>& inputs, bool whole);

// The log lines of adding the inputs in order and of the album run over the added ones
// (without verbose), up to and without the summary line with its seconds.
std::vector<std::string> ExpectedRunLines(const std::vector<HostileInput>& inputs, bool index);

// Compares the tool's raw log with the expected lines, the final summary line checked up to its
// seconds. An expected AnyReason matches any one grey line; the red damage line that may follow
// a picture's success line is passed over (its own tests check it). Reports the first difference.
::testing::AssertionResult LogMatches(
    const ToolOutcome& outcome, const std::vector<std::string>& expected, int successes, int pictures);

// The same for a log of adding alone (--no-run), without a summary of a run.
::testing::AssertionResult AddLogMatches(const ToolOutcome& outcome, const std::vector<std::string>& expected);

// The name with its bytes outside printable ASCII written as \xHH, for messages.
std::string Visible(const std::string& text);

} // namespace korvo::testing
