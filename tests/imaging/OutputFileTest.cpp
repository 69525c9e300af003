// Reading pictures and writing the album's JPEG files through the file rules: only regular
// files are decoded, and a picture that does not fit leaves the earlier one of its name.

#include "imaging/Bmp.h"
#include "imaging/Jpeg.h"
#include "support/TempDir.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace korvo;
using namespace korvo::testing;
namespace fs = std::filesystem;

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
    EXPECT_EQ(korvo::testing::FileNamesIn(dir.Path()), (std::vector<std::string> { "image001.jpg", "image002.jpg" }));
}
