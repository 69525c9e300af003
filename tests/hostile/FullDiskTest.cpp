// Destinations that cannot take what the album writes: a full disk (a child that may write no
// file beyond a few kilobytes) and a folder nothing may be written into. A picture or page that
// does not fit fails on its own line, nothing half-written is left or reported as done, earlier
// files of the same names stay as they were, and the run goes on.

#include "hostile/HostileSupport.h"
#include "imaging/Jpeg.h"
#include "support/TestPictures.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace korvo;
using namespace korvo::testing;
namespace fs = std::filesystem;

namespace {

using Lines = std::vector<std::string>;

constexpr std::uint64_t FileLimit = 4096;

// Random pixels, which no JPEG can make small.
Bytes NoiseJpeg(int width, int height)
{
    BitmapPtr bitmap = TBitmap::Create(width, height);
    std::mt19937 random(11);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < 3 * width; ++x)
            bitmap->Row(y)[x] = static_cast<std::uint8_t>(random());
    Bytes bytes;
    EncodeJpegMemory(*bitmap, 95, false, bytes);
    return bytes;
}

// The names in a folder; hidden helper files of a failed write must not be among them.
Lines Names(const std::string& folder)
{
    Lines names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A folder nothing may be created in or removed from, not even by root; the flag is taken
// away again at the end. False where the file system has no such flag.
class TImmutableFolder {
public:
    explicit TImmutableFolder(const std::string& path)
        : m_path(path)
    {
        m_set = Flag(true);
    }
    ~TImmutableFolder()
    {
        if (m_set)
            Flag(false);
    }
    bool Set() const { return m_set; }

private:
    bool Flag(bool on) const
    {
        const int folder = ::open(m_path.c_str(), O_RDONLY | O_DIRECTORY);
        int flags = 0;
        bool done = folder >= 0 && ::ioctl(folder, FS_IOC_GETFLAGS, &flags) == 0;
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        done = done && ::ioctl(folder, FS_IOC_SETFLAGS, &flags) == 0;
        if (folder >= 0)
            ::close(folder);
        return done;
    }

    std::string m_path;
    bool m_set = false;
};

} // namespace

TEST(FullDisk, PictureThatDoesNotFitFailsAndKeepsTheEarlierFile)
{
    TTempDir dir;
    fs::create_directory(dir / "in");
    WriteBytes(dir / "in/a.jpg", MakeJpeg(16, 12));
    WriteBytes(dir / "in/b.jpg", NoiseJpeg(600, 400));
    WriteBytes(dir / "in/c.bmp", MakeBmp(12, 16));
    fs::create_directory(dir / "out");
    WriteFile(dir / "out/image002.jpg", "vorher");

    const ToolOutcome outcome = RunAlbumTool({ "--raw", "--dest", dir / "out", dir / "in" }, { .FileSize = FileLimit });
    EXPECT_EQ(outcome.ExitCode, 1) << outcome.Output;
    EXPECT_EQ(outcome.Starting("*[").size() + outcome.Starting("-[").size(), 6u) << outcome.Output;
    EXPECT_TRUE(outcome.Has("*[1/3] " + dir / "in/a.jpg"));
    EXPECT_TRUE(outcome.Has("-[2/3] Fehler: " + dir / "in/b.jpg"));
    EXPECT_TRUE(outcome.Has("*[3/3] " + dir / "in/c.bmp"));
    EXPECT_TRUE(outcome.Has("*Thumbnail-Übersicht geschrieben"));
    EXPECT_TRUE(outcome.Has("+2 von 3 Bildern erfolgreich umgewandelt in 0 Sekunden"));

    EXPECT_EQ(ReadFile(dir / "out/image002.jpg"), "vorher");
    for (const std::string& name : Names(dir / "out")) {
        EXPECT_TRUE(name[0] != '.' || name == ".korvo2-album") << name; // no hidden file is left over
        EXPECT_LE(fs::file_size(dir / "out/" + name), FileLimit) << name;
        if (name.ends_with(".htm")) {
            EXPECT_TRUE(ReadFile(dir / "out/" + name).ends_with("</body></html>\r\n")) << name;
        }
    }
    EXPECT_TRUE(fs::exists(dir / "out/image003.jpg"));
    EXPECT_TRUE(fs::exists(dir / "out/iinfo002.htm")); // pages follow a failed picture
}

TEST(FullDisk, IndexAndProjectThatDoNotFitKeepTheEarlierFiles)
{
    TTempDir dir;
    fs::create_directory(dir / "in");
    for (int i = 0; i < 40; ++i)
        WriteBytes(dir / ("in/bild" + std::to_string(100 + i) + ".jpg"), MakeJpeg(8, 8));
    fs::create_directory(dir / "out");
    WriteFile(dir / "out/index.htm", "vorher");
    WriteFile(dir / "album.kv2", "vorher");

    ToolOutcome outcome = RunAlbumTool(
        { "--raw", "--mode", "WithGallery", "--dest", dir / "out", dir / "in" }, { .FileSize = FileLimit });
    EXPECT_EQ(outcome.ExitCode, 1) << outcome.Output;
    EXPECT_TRUE(outcome.Has("-Fehler beim Schreiben der Thumbnail-Übersicht"));
    EXPECT_TRUE(outcome.Has("+40 von 40 Bildern erfolgreich umgewandelt in 0 Sekunden"));
    EXPECT_EQ(ReadFile(dir / "out/index.htm"), "vorher");
    EXPECT_EQ(Names(dir / "out").size(), 3u * 40 + 1);

    outcome = RunAlbumTool({ "--raw", "--no-run", "--dest", dir / "out", "--save", dir / "album.kv2", dir / "in" },
        { .FileSize = FileLimit });
    EXPECT_EQ(outcome.ExitCode, 1);
    EXPECT_TRUE(outcome.Has("_Fehler beim Speichern des Projektes in " + dir / "album.kv2"));
    EXPECT_EQ(ReadFile(dir / "album.kv2"), "vorher");
    EXPECT_EQ(Names(dir.Path()), (Lines { "album.kv2", "in", "out" }));
}

// A destination nobody may write into: the run refuses it once, with its reason, before it
// clears or writes anything.
TEST(FullDisk, FolderNothingMayBeWrittenInto)
{
    TTempDir dir;
    WriteBytes(dir / "a.jpg", MakeJpeg(16, 12));
    WriteBytes(dir / "b.jpg", MakeJpeg(12, 16));
    fs::create_directory(dir / "out");
    WriteFile(dir / "out/alt.jpg", "alt");
    TImmutableFolder locked(dir / "out");
    if (!locked.Set())
        GTEST_SKIP() << "the file system of the temporary folder has no immutable flag";

    const ToolOutcome outcome = RunAlbumTool({ "--raw", "-v", "--mode", "IndexOnly", "--set", "Output.rm=yes", "--dest",
        dir / "out", dir / "a.jpg", dir / "b.jpg" });
    EXPECT_NE(outcome.ExitCode, 0) << outcome.Output;
    EXPECT_EQ(outcome.Starting("-"), (Lines { "-Kann Zielverzeichnisse nicht anlegen!" }));
    const auto refusal
        = std::find(outcome.Lines.begin(), outcome.Lines.end(), "-Kann Zielverzeichnisse nicht anlegen!");
    ASSERT_LT(refusal + 1, outcome.Lines.end()) << outcome.Output;
    EXPECT_EQ(refusal[1], "_Keine Schreibberechtigung");
    EXPECT_FALSE(outcome.Has("Bildern erfolgreich umgewandelt"));
    EXPECT_EQ(Names(dir / "out"), (Lines { "alt.jpg" }));
}
