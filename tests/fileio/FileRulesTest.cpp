// The rules for reading and writing files: only regular files are read, and a written file takes
// the place of an earlier one only when it is complete, never through a link or over a device.

#include "fileio/Folder.h"
#include "fileio/OpenFile.h"
#include "fileio/ReplacingFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include <sys/stat.h>
#include <sys/sysmacros.h>

using namespace korvo;
using namespace korvo::testing;
namespace fs = std::filesystem;

namespace {

bool Write(const std::string& target, const std::string& text)
{
    TReplacingFile file;
    return file.Create(target) && std::fputs(text.c_str(), file.File()) >= 0 && file.Commit();
}

} // namespace

// A named pipe would make a reader wait for a writer forever, a device feed it without end.
TEST(FileRules, OnlyRegularFilesAreOpenedForReading)
{
    TTempDir dir;
    ASSERT_EQ(::mkfifo((dir / "pipe.jpg").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", dir / "zero.jpg");
    fs::create_directory(dir / "folder.jpg");
    for (const char* name : { "pipe.jpg", "zero.jpg", "folder.jpg", "missing.jpg" }) {
        EXPECT_FALSE(OpenRegularDescriptor(dir / name).Valid()) << name;
        EXPECT_EQ(OpenRegularFile(dir / name), nullptr) << name;
        std::string text;
        EXPECT_FALSE(ReadWholeFile(dir / name, 100, text)) << name;
    }

    WriteFile(dir / "x.bmp", "abc");
    fs::create_symlink("x.bmp", dir / "link.bmp");
    std::uint64_t size = 0;
    EXPECT_NE(OpenRegularFile(dir / "link.bmp", &size), nullptr); // links to files are fine
    EXPECT_EQ(size, 3u);
    std::string text;
    EXPECT_TRUE(ReadWholeFile(dir / "x.bmp", 3, text));
    EXPECT_EQ(text, "abc");
    EXPECT_FALSE(ReadWholeFile(dir / "x.bmp", 2, text));
}

TEST(FileRules, ReplaceOnlyWhenCompleteAndNeverThroughLinksOrDevices)
{
    TTempDir dir;
    const std::string page = dir / "index.htm";
    ASSERT_TRUE(Write(page, "neu"));
    EXPECT_EQ(ReadFile(page), "neu");

    // A replaced file keeps its permissions.
    ::chmod(page.c_str(), 0640);
    ASSERT_TRUE(Write(page, "neuer"));
    EXPECT_EQ(ReadFile(page), "neuer");
    EXPECT_EQ(fs::status(page).permissions(), fs::perms(0640));

    // Without Commit nothing of the new file stays, and the old one is untouched.
    {
        TReplacingFile file;
        ASSERT_TRUE(file.Create(page));
        std::fputs("halb", file.File());
    }
    EXPECT_EQ(ReadFile(page), "neuer");
    EXPECT_EQ(FileNamesIn(dir.Path()), (std::vector<std::string> { "index.htm" }));

    // A link of the target's name is replaced itself; what it points to stays.
    WriteFile(dir / "fremd.txt", "f");
    fs::create_symlink(dir / "fremd.txt", dir / "link.htm");
    ASSERT_TRUE(Write(dir / "link.htm", "seite"));
    EXPECT_FALSE(fs::is_symlink(dir / "link.htm"));
    EXPECT_EQ(ReadFile(dir / "link.htm"), "seite");
    EXPECT_EQ(ReadFile(dir / "fremd.txt"), "f");

    // Folders, pipes and devices of the target's name are never replaced.
    fs::create_directory(dir / "ordner.htm");
    EXPECT_FALSE(Write(dir / "ordner.htm", "x"));
    ASSERT_EQ(::mkfifo((dir / "pipe.htm").c_str(), 0600), 0);
    EXPECT_FALSE(Write(dir / "pipe.htm", "x"));
    EXPECT_EQ(fs::status(dir / "pipe.htm").type(), fs::file_type::fifo);
    if (::mknod((dir / "full.htm").c_str(), S_IFCHR | 0666, makedev(1, 7)) == 0) {
        EXPECT_FALSE(Write(dir / "full.htm", "x"));
        EXPECT_EQ(fs::status(dir / "full.htm").type(), fs::file_type::character);
    }
    EXPECT_FALSE(Write(dir / "fehlt/x.htm", "x"));
    EXPECT_FALSE(Write(dir / "", "x"));
    std::vector<std::string> expected { "fremd.txt", "index.htm", "link.htm", "ordner.htm", "pipe.htm" };
    if (fs::exists(dir / "full.htm"))
        expected.insert(expected.begin() + 1, "full.htm");
    EXPECT_EQ(FileNamesIn(dir.Path()), expected);
}

// Writing only changed bytes must not be fooled by a link or a file of another length, and a
// folder's listing of subfolders never counts a link to one.
TEST(FileRules, UnchangedBytesStayOnlyInTheFileItselfAndFoldersAreNoLinks)
{
    TTempDir dir;
    WriteFile(dir / "fremd.htm", "seite");
    fs::create_symlink(dir / "fremd.htm", dir / "link.htm");
    WriteFile(dir / "gleich.htm", "seite");
    WriteFile(dir / "kurz.htm", "seit");
    WriteFile(dir / "lang.htm", "seite!");
    ASSERT_EQ(::mkfifo((dir / "pipe.htm").c_str(), 0600), 0);
    const struct {
        const char* Name;
        bool Kept;
    } cases[] = { { "gleich.htm", true }, { "link.htm", false }, { "kurz.htm", false }, { "lang.htm", false },
        { "neu.htm", false } };
    const TReplaceOptions keep { .KeepUnchanged = true };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string path = dir / c.Name;
        const auto before
            = fs::exists(fs::symlink_status(path)) ? fs::symlink_status(path).type() : fs::file_type::none;
        struct stat old { };
        ::lstat(path.c_str(), &old);
        FileStamp written;
        ASSERT_TRUE(ReplaceFileContents(path, "seite", keep, &written));
        struct stat now { };
        ASSERT_EQ(::lstat(path.c_str(), &now), 0);
        EXPECT_TRUE(S_ISREG(now.st_mode));
        EXPECT_EQ(ReadFile(path), "seite");
        EXPECT_EQ(written, StampOf(now));
        EXPECT_EQ(c.Kept, before == fs::file_type::regular && now.st_ino == old.st_ino);
    }
    EXPECT_EQ(ReadFile(dir / "fremd.htm"), "seite");
    EXPECT_FALSE(ReplaceFileContents(dir / "pipe.htm", "seite", keep));

    fs::create_directory(dir / "ordner");
    fs::create_directory_symlink(dir / "ordner", dir / "ordnerlink");
    EXPECT_EQ(TFolder::Open(dir.Path()).FolderNames(), (std::vector<std::string> { "ordner" }));
    EXPECT_TRUE(TFolder::Open(dir / "fremd.htm").FolderNames().empty());
    // Where the listing's inode numbers count as exact, they are those of the entries.
    const TFolder folder = TFolder::Open(dir.Path());
    for (const TListedEntry& entry : folder.Listing()) {
        if (folder.ListsExactInodes()) {
            EXPECT_EQ(entry.Inode, folder.Entry(entry.Name)->st_ino) << entry.Name;
        }
    }
    EXPECT_EQ(folder.Listing().size(), folder.Names().size());
}
