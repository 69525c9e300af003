// The progress line of korvo2-album: its text, and what a terminal shows when the tool runs
// under a pseudo-terminal (util-linux `script`).

#include "cli/Progress.h"
#include "support/TempDir.h"
#include "support/TestPictures.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

using namespace korvo;
using namespace korvo::testing;

namespace {

// The lines a terminal shows after receiving `bytes`: "\r" returns to the line's start, "\n"
// starts the next line, ESC [ K erases to the end of the line, other bytes overwrite.
std::vector<std::string> Screen(const std::string& bytes)
{
    std::vector<std::string> lines(1);
    std::size_t column = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        std::string& line = lines.back();
        if (c == '\r') {
            column = 0;
        } else if (c == '\n') {
            lines.emplace_back();
            column = 0;
        } else if (bytes.compare(i, 3, "\033[K") == 0) {
            line.resize(std::min(line.size(), column));
            i += 2;
        } else {
            if (line.size() <= column)
                line.resize(column + 1, ' ');
            line[column++] = c;
        }
    }
    return lines;
}

// Runs a shell command under a pseudo-terminal and returns what the terminal received.
std::optional<std::string> RunOnTerminal(const std::string& command, const std::string& typescript)
{
    const std::string line = "script -qefc '" + command + "' " + typescript + " </dev/null >/dev/null 2>&1";
    const int status = std::system(line.c_str());
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    // The typescript opens with a "Script started" line and closes with "Script done".
    const std::string text = ReadFile(typescript);
    const std::size_t start = text.find('\n');
    const std::size_t end = text.rfind("\nScript done");
    if (start == std::string::npos || end == std::string::npos || end <= start)
        return std::nullopt;
    return text.substr(start + 1, end - start - 1);
}

} // namespace

TEST(ProgressLine, TellsPositionRateAndTimeLeft)
{
    EXPECT_EQ(ProgressText(0, 5, 0), "[0/5]");
    EXPECT_EQ(ProgressText(3, 10, 999), "[3/10]");
    EXPECT_EQ(ProgressText(3, 10, 1500), "[3/10] 2.0 Bilder/s, noch 0:04"); // 3.5 s left, rounded up
    EXPECT_EQ(ProgressText(1, 3, 3000), "[1/3] 0.3 Bilder/s, noch 0:06");
    EXPECT_EQ(ProgressText(2, 5000, 1000), "[2/5000] 2.0 Bilder/s, noch 41:39");
    EXPECT_EQ(ProgressText(1, 100, 60000), "[1/100] 0.0 Bilder/s, noch 1:39:00");
    EXPECT_EQ(ProgressText(7, 7, 2000), "[7/7] 3.5 Bilder/s");
}

TEST(ProgressLine, DrawsNothingWithoutATerminal)
{
    TProgressLine line(nullptr);
    line.Begin(0);
    line.Position(1, 2, 10);
    line.Refresh(5000);
    EXPECT_FALSE(line.Active());
    line.End();
}

TEST(CommandLineTool, ShowsProgressOnlyOnATerminalAndNeverInTheLog)
{
    if (std::system("command -v script >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "no script(1) to make a pseudo-terminal";
    TTempDir dir;
    std::filesystem::create_directory(dir / "fotos");
    for (const char* name : { "a.jpg", "b.jpg", "c.jpg" })
        WriteBytes(dir / (std::string("fotos/") + name), MakeJpeg(40, 30));
    const std::string tool = std::string(KORVO2_ALBUM) + " --raw --dest " + dir / "album " + dir / "fotos";

    // The log to a file, standard error on the terminal: the terminal gets the progress line,
    // gone at the end, and then the index page's path; the log holds no trace of either.
    const std::string index = "Album: " + dir / "album/index.htm";
    const auto progress = RunOnTerminal(tool + " >" + dir / "log.txt", dir / "progress.txt");
    ASSERT_TRUE(progress);
    EXPECT_NE(progress->find("\r[3/3]"), std::string::npos) << *progress;
    EXPECT_EQ(Screen(*progress), (std::vector<std::string> { index, "" })) << *progress;
    const std::string log = ReadFile(dir / "log.txt");
    EXPECT_EQ(log.find('\r'), std::string::npos);
    EXPECT_EQ(log.find("\033"), std::string::npos);
    EXPECT_NE(log.find("\n*[3/3] " + dir / "fotos/c.jpg\n"), std::string::npos) << log;

    // Both on one terminal: the screen shows the log exactly, the progress line cleared away.
    const auto both = RunOnTerminal(tool, dir / "both.txt");
    ASSERT_TRUE(both);
    std::string shown;
    for (const std::string& line : Screen(*both))
        shown += line + "\n";
    EXPECT_EQ(shown, log + index + "\n\n"); // the terminal's last, empty line

    // Standard error redirected away from the terminal: nothing is written to it.
    ASSERT_TRUE(RunOnTerminal(tool + " 2>" + dir / "errors.txt", dir / "quiet.txt"));
    EXPECT_TRUE(std::filesystem::exists(dir / "errors.txt"));
    EXPECT_EQ(ReadFile(dir / "errors.txt"), "");
}
