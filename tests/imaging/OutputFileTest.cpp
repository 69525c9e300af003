// Opening pictures and writing the album's files: only regular files are read, and an output
// file takes the place of an earlier one only when it is complete.

#include "imaging/Bmp.h"
#include "imaging/Jpeg.h"
#include "imaging/OpenFile.h"
#include "imaging/ReplacingFile.h"
#include "imaging/TestImages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace korvo;
using namespace korvo::test;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> Names(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

bool Write(const std::string& target, const std::string& text)
{
    TReplacingFile file;
    return file.Create(target) && std::fputs(text.c_str(), file.File()) >= 0 && file.Commit();
}

std::string Read(const std::string& path)
{
    const Bytes bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

// A named pipe would make the reader wait for a writer forever, a device feed it without end.
TEST(OutputFiles, PicturesAreReadOnlyFromRegularFiles)
{
    TTempDir dir;
    for (const char* name : { "pipe.jpg", "pipe.bmp" })
        ASSERT_EQ(::mkfifo(dir.File(name).c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", dir.File("zero.jpg"));
    fs::create_symlink("/dev/zero", dir.File("zero.bmp"));
    fs::create_directory(dir.File("folder.jpg"));
    for (const char* name : { "pipe.jpg", "zero.jpg", "folder.jpg" }) {
        EXPECT_EQ(DecodeJpegFile(dir.File(name), DctMethod::Fast), nullptr) << name;
        int width = 0, height = 0;
        EXPECT_FALSE(ReadJpegSize(dir.File(name), width, height)) << name;
    }
    for (const char* name : { "pipe.bmp", "zero.bmp" })
        EXPECT_EQ(ReadBmpFile(dir.File(name)), nullptr) << name;

    TBmpPlan plan;
    plan.Width = 2;
    plan.Height = 1;
    plan.Rows = { { 1, 2 } };
    WriteBytes(dir.File("x.bmp"), BuildBmp(plan));
    fs::create_symlink("x.bmp", dir.File("link.bmp"));
    EXPECT_NE(ReadBmpFile(dir.File("link.bmp")), nullptr); // links to files are fine
    std::uint64_t size = 0;
    EXPECT_NE(OpenRegularFile(dir.File("x.bmp"), &size), nullptr);
    EXPECT_EQ(size, ReadBytes(dir.File("x.bmp")).size());
}

TEST(OutputFiles, ReplaceOnlyWhenCompleteAndNeverThroughLinksOrDevices)
{
    TTempDir dir;
    const std::string page = dir.File("index.htm");
    ASSERT_TRUE(Write(page, "neu"));
    EXPECT_EQ(Read(page), "neu");

    // A replaced file keeps its permissions.
    ::chmod(page.c_str(), 0640);
    ASSERT_TRUE(Write(page, "neuer"));
    EXPECT_EQ(Read(page), "neuer");
    EXPECT_EQ(fs::status(page).permissions(), fs::perms(0640));

    // Without Commit nothing of the new file stays, and the old one is untouched.
    {
        TReplacingFile file;
        ASSERT_TRUE(file.Create(page));
        std::fputs("halb", file.File());
    }
    EXPECT_EQ(Read(page), "neuer");
    EXPECT_EQ(Names(dir.Path()), (std::vector<std::string> { "index.htm" }));

    // A link of the target's name is replaced itself; what it points to stays.
    WriteBytes(dir.File("fremd.txt"), { 'f' });
    fs::create_symlink(dir.File("fremd.txt"), dir.File("link.htm"));
    ASSERT_TRUE(Write(dir.File("link.htm"), "seite"));
    EXPECT_FALSE(fs::is_symlink(dir.File("link.htm")));
    EXPECT_EQ(Read(dir.File("link.htm")), "seite");
    EXPECT_EQ(Read(dir.File("fremd.txt")), "f");

    // Folders, pipes and devices of the target's name are never replaced.
    fs::create_directory(dir.File("ordner.htm"));
    EXPECT_FALSE(Write(dir.File("ordner.htm"), "x"));
    ASSERT_EQ(::mkfifo(dir.File("pipe.htm").c_str(), 0600), 0);
    EXPECT_FALSE(Write(dir.File("pipe.htm"), "x"));
    EXPECT_EQ(fs::status(dir.File("pipe.htm")).type(), fs::file_type::fifo);
    if (::mknod(dir.File("full.htm").c_str(), S_IFCHR | 0666, makedev(1, 7)) == 0) {
        EXPECT_FALSE(Write(dir.File("full.htm"), "x"));
        EXPECT_EQ(fs::status(dir.File("full.htm")).type(), fs::file_type::character);
    }
    EXPECT_FALSE(Write(dir.File("fehlt/x.htm"), "x"));
    EXPECT_FALSE(Write(dir.File(""), "x"));
    std::vector<std::string> expected { "fremd.txt", "index.htm", "link.htm", "ordner.htm", "pipe.htm" };
    if (fs::exists(dir.File("full.htm")))
        expected.insert(expected.begin() + 1, "full.htm");
    EXPECT_EQ(Names(dir.Path()), expected);
}

// A child that may write no file beyond 2,000 bytes stands for a full disk: the JPEG that does
// not fit fails, leaves no part of itself, and the earlier picture of its name stays.
TEST(OutputFiles, JpegThatDoesNotFitKeepsTheEarlierPicture)
{
    TTempDir dir;
    const std::string target = dir.File("image001.jpg");
    auto small = MakePhoto(8, 8);
    ASSERT_TRUE(EncodeJpegFile(*small, target, 75, false));
    const Bytes earlier = ReadBytes(target);
    ASSERT_LT(earlier.size(), 2000u);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit { 2000, 2000 };
        ::setrlimit(RLIMIT_FSIZE, &limit);
        auto large = MakePhoto(300, 200);
        const bool largeWritten = EncodeJpegFile(*large, target, 95, false);
        auto other = MakePhoto(8, 8);
        const bool smallWritten = EncodeJpegFile(*other, dir.File("image002.jpg"), 75, true);
        ::_exit(!largeWritten && smallWritten ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the full disk went unnoticed";
    EXPECT_EQ(ReadBytes(target), earlier);
    EXPECT_EQ(Names(dir.Path()), (std::vector<std::string> { "image001.jpg", "image002.jpg" }));
}
