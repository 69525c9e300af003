// Project files that are no projects, or hostile ones, through korvo2-album: each is read quickly
// and without recursion per level, and ends with the log lines the reader's findings call for.

#include "hostile/HostileSupport.h"
#include "support/RepeatText.h"

#include <gtest/gtest.h>

#include <random>
#include <tuple>

#include <sys/stat.h>

using namespace korvo::testing;

namespace {

using Lines = std::vector<std::string>;

class HostileProjects : public ::testing::Test {
protected:
    ToolOutcome Load(const std::string& name, const std::string& text)
    {
        const std::string path = m_dir / name;
        WriteFile(path, text);
        Path = path;
        return RunAlbumTool({ "--raw", "--no-run", path });
    }

    TTempDir m_dir;
    std::string Path;
};

// A chain of `levels` elements, each the only child of the one before; the names differ, since
// an element inside one of its own name would be closed by the inner end tag.
std::string Chain(const std::string& prefix, int levels)
{
    std::string text;
    for (int level = 0; level < levels; ++level)
        text += "<" + prefix + std::to_string(level) + ">";
    for (int level = levels; level-- > 0;)
        text += "</" + prefix + std::to_string(level) + ">";
    return text;
}

} // namespace

TEST_F(HostileProjects, FilesWithoutAProjectAreRefusedQuickly)
{
    std::mt19937 random(3);
    std::string noise(1 << 20, '\0');
    for (char& c : noise)
        c = static_cast<char>(random());
    const std::string none = "_Keine Projektdatei";
    const std::vector<std::tuple<std::string, std::string, std::string>> files {
        { "empty.kv2", "", none },
        { "binary.kv2", noise, none },
        { "angles.kv2", std::string(8 << 20, '<'), none },
        { "angles-and-slashes.kv2", Repeat("</", 4 << 20), none },
        // Above the reader's limit: not even read.
        { "oversized.kv2", std::string(40 << 20, '<'), "_Datei ist zu groß" },
        { "deep.kv2", Chain("e", 100000), none },
        { "project-deep-down.kv2", "<e0><e1><Korvo2Project><ImageList /></Korvo2Project></e1></e0>", none },
    };
    for (const auto& [name, text, reason] : files) {
        const ToolOutcome outcome = Load(name, text);
        EXPECT_EQ(outcome.ExitCode, 2) << name;
        EXPECT_EQ(outcome.Lines,
            (Lines { "", "/Lese Projektdatei " + Path, "-Fehler beim Lesen der Projektdatei", reason, "" }))
            << name << "\n"
            << outcome.Output.substr(0, 2000);
        EXPECT_LT(outcome.Seconds, 20) << name;
    }
}

// A named pipe called like a project would keep the load waiting for a writer forever.
TEST_F(HostileProjects, PipeNamedLikeAProjectIsNotWaitedFor)
{
    const std::string pipe = m_dir / "pipe.kv2";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const ToolOutcome outcome = RunAlbumTool({ "--raw", "--no-run", pipe }, { .Seconds = 30 });
    EXPECT_EQ(outcome.ExitCode, 2);
    EXPECT_EQ(outcome.Lines,
        (Lines {
            "", "/Lese Projektdatei " + pipe, "-Fehler beim Lesen der Projektdatei", "_Keine gewöhnliche Datei", "" }));
}

// A hundred thousand levels inside the project: the reader keeps its open elements in a list and
// the loader looks only one level down, so neither needs a stack frame per level.
TEST_F(HostileProjects, HundredThousandLevelsInsideTheProject)
{
    ToolOutcome outcome = Load("deep-list.kv2",
        "<Korvo2Project><Configuration>" + Chain("c", 100000) + "</Configuration><ImageList Count=\"100000\"><Category>"
            + Chain("i", 100000) + "</Category></ImageList></Korvo2Project>");
    EXPECT_EQ(outcome.ExitCode, 1);
    EXPECT_EQ(outcome.Lines,
        (Lines { "", "/Lese Projektdatei " + Path, "+0 von 100000 Dateien erfolgreich hinzugefügt", "" }));
    EXPECT_LT(outcome.Seconds, 20);

    // Unclosed, so every level stays open to the end of the file.
    outcome = Load("deep-open.kv2", "<Korvo2Project>" + Repeat("<ImageList Count=\"-3\"><Category>", 100000));
    EXPECT_EQ(outcome.ExitCode, 0);
    EXPECT_EQ(outcome.Lines,
        (Lines { "", "/Lese Projektdatei " + Path, "-Keine Konfigurationsdaten", "-Keine Bilderlistendaten", "" }));
    EXPECT_LT(outcome.Seconds, 20);
}

// An element holding one of its own name is closed by the inner end tag: what follows it comes
// out at the top level, and the project is read from what remains inside.
TEST_F(HostileProjects, ElementInsideOneOfItsOwnName)
{
    const ToolOutcome outcome = Load("nested.kv2",
        "<Korvo2Project><Configuration Verbose=\"-v\"><Korvo2Project><ImageList Count=\"1\"><Category />"
        "</ImageList></Korvo2Project><AlbumTitle Value=\"x\" /></Configuration></Korvo2Project>");
    EXPECT_EQ(outcome.ExitCode, 1);
    EXPECT_EQ(
        outcome.Lines, (Lines { "", "/Lese Projektdatei " + Path, "+0 von 1 Dateien erfolgreich hinzugefügt", "" }));
}
