// Hostile acquisition caches through korvo2-album: whatever the database in the cache folder
// holds, the tool reads and reports every picture as it does without a cache, with one detail
// line about the cache at most.

#include "cache/CacheDatabase.h"
#include "cache/Sqlite.h"
#include "hostile/HostileSupport.h"
#include "support/TestPictures.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using namespace korvo;
using namespace korvo::testing;
namespace fs = std::filesystem;

TEST(HostileCache, AnyDatabaseContentReadsLikeNoCache)
{
    TTempDir dir;
    fs::create_directory(dir / "in");
    WriteBytes(dir / "in/a.jpg", MakeJpeg(640, 480));
    WriteBytes(dir / "in/b.jpg",
        MakeJpeg(120, 90,
            MakeExifSegment(false, { AsciiEntry(0x0110, "Kamera"), AsciiEntry(0x0132, "2003:07:14 18:05:09") })));
    WriteBytes(dir / "in/c.bmp", MakeBmp(50, 40));
    // The tool finds its cache through the environment it inherits.
    const char* saved = std::getenv("XDG_CACHE_HOME");
    const std::string savedValue = saved ? saved : "";
    ::setenv("XDG_CACHE_HOME", (dir / "cache").c_str(), 1);
    const std::string database = dir / "cache/korvo2/bilder.sqlite";
    const std::vector<std::string> arguments = { "--raw", "--no-run", "--dest", dir / "out", dir / "in" };
    auto withArguments = [&](std::vector<std::string> more) {
        more.insert(more.end(), arguments.begin(), arguments.end());
        return more;
    };
    const ToolOutcome plain = RunAlbumTool(withArguments({ "--no-cache" }));
    ASSERT_EQ(plain.ExitCode, 0) << plain.Output;

    const std::vector<std::uint8_t> wrongSize = MakeJpeg(640, 480);
    const char* cases[] = {
        "UPDATE pictures SET width = -5, height = 1000000000",
        "UPDATE pictures SET width = 9223372036854775807, orientation = -1",
        "UPDATE list_pictures SET jpeg = randomblob(3000)",
        "UPDATE list_pictures SET jpeg = x'FFD8FFC0'",
        "UPDATE list_pictures SET jpeg = randomblob(10000000)",
        "UPDATE pictures SET type = 'PNG', model = randomblob(100000), exif_date = randomblob(5000)",
        "UPDATE pictures SET type = 7, model = 1.5, exif_date = x'00'",
        "UPDATE pictures SET inode = inode + 1",
        "UPDATE pictures SET used = 9223372036854775807",
        "CREATE TRIGGER nein BEFORE UPDATE ON pictures BEGIN SELECT RAISE(ABORT, 'nein'); END",
        "CREATE TRIGGER leer AFTER UPDATE ON pictures BEGIN DELETE FROM pictures; END",
        "DROP INDEX pictures_used",
        "PRAGMA user_version = 0",
        "PRAGMA application_id = 0",
        "DROP TABLE pictures",
        "DROP TABLE list_pictures",
        "UPDATE list_pictures SET id = id + 1000",
        "wrong size",
    };
    for (const char* statement : cases) {
        SCOPED_TRACE(statement);
        fs::remove_all(dir / "cache");
        const ToolOutcome filling = RunAlbumTool(arguments);
        EXPECT_EQ(filling.Lines, plain.Lines);
        {
            int code = 0;
            TSqliteDatabase db = TSqliteDatabase::Open(database, code);
            if (std::string(statement) == "wrong size") {
                TSqliteStatement update = db.Prepare("UPDATE list_pictures SET jpeg = ?1", code);
                update.Bind(1, wrongSize);
                ASSERT_EQ(update.Step(), SqliteDone);
            } else {
                ASSERT_EQ(db.Execute(statement), SqliteOk);
            }
        }
        for (int round = 0; round < 2; ++round) {
            ToolOutcome run = RunAlbumTool(arguments);
            EXPECT_EQ(run.ExitCode, 0);
            std::vector<std::string> lines = run.Lines;
            std::erase_if(lines, [](const std::string& line) { return line.starts_with("_Zwischenspeicher"); });
            EXPECT_LE(run.Lines.size() - lines.size(), 1u);
            EXPECT_EQ(lines, plain.Lines);
        }
    }
    if (saved)
        ::setenv("XDG_CACHE_HOME", savedValue.c_str(), 1);
    else
        ::unsetenv("XDG_CACHE_HOME");
}
