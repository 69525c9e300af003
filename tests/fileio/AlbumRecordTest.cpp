// The album's record of its own files: what is written comes back exactly, whatever bytes the
// paths hold, and a damaged or foreign line is never taken for an entry.

#include "fileio/AlbumRecord.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

using namespace korvo;
using namespace korvo::testing;
namespace fs = std::filesystem;

namespace {

std::string RandomName(std::mt19937& random)
{
    // Every byte but "/" and NUL, the awkward ones often.
    static constexpr char Awkward[] = { '\t', '\n', '\r', '%', ' ', '\x7F', '\xFF', '.', '\x01', 'a' };
    std::string name;
    const int length = 1 + static_cast<int>(random() % 12);
    for (int i = 0; i < length; ++i) {
        char c = random() % 2 ? Awkward[random() % sizeof Awkward] : static_cast<char>(1 + random() % 255);
        name += c == '/' ? 'x' : c;
    }
    return name == "." || name == ".." ? name + "x" : name;
}

} // namespace

TEST(AlbumRecord, RoundTripKeepsEveryPathAndStamp)
{
    std::mt19937 random(17);
    for (int round = 0; round < 200; ++round) {
        AlbumRecord record;
        const int count = static_cast<int>(random() % 6);
        for (int i = 0; i < count; ++i) {
            std::string path = RandomName(random);
            if (random() % 2)
                path = RandomName(random) + "/" + path;
            const FileStamp stamp { random() % 3 ? random() : 0x7FFFFFFFFFFFFFFFull,
                static_cast<std::int64_t>(random()) - (random() % 4 ? 0 : 0x100000000ll),
                static_cast<std::uint32_t>(random() % 1000000000u) };
            record.Files.push_back({ path + std::to_string(i), stamp });
        }
        const std::string text = FormatAlbumRecord(record);
        // One line per file and no stray line ends: every awkward byte was encoded.
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), count + 1);
        const std::optional<AlbumRecord> read = ParseAlbumRecord(text);
        ASSERT_TRUE(read);
        std::sort(
            record.Files.begin(), record.Files.end(), [](const auto& a, const auto& b) { return a.Path < b.Path; });
        EXPECT_EQ(read->Files, record.Files) << text;
    }
}

TEST(AlbumRecord, MalformedAndUnknownLinesAreNeverTrusted)
{
    const std::string header = "korvo2-album-record\t1\n";
    const std::string good = "file\t12\t1700000000.000000005\timage001.jpg\n";
    // A later writer's additions are read past.
    const std::optional<AlbumRecord> extended = ParseAlbumRecord(
        "korvo2-album-record\t1\tmore\n" + good + "picture\tx\ty\nfile\t3\t-5.000000000\tthumbs/a%25b.jpg\tsha\t9\n");
    ASSERT_TRUE(extended);
    EXPECT_EQ(extended->Files,
        (std::vector<AlbumRecordFile> {
            { "image001.jpg", { 12, 1700000000, 5 } }, { "thumbs/a%b.jpg", { 3, -5, 0 } } }));

    for (const char* bad : { "file\t12\t1700000000.000000005", // no path
             "file\t-12\t1.000000000\ta.jpg", "file\t+12\t1.000000000\ta.jpg", "file\t 12\t1.000000000\ta.jpg",
             "file\t99999999999999999999\t1.000000000\ta.jpg", "file\t9223372036854775808\t1.000000000\ta.jpg",
             "file\t1\t1.5\ta.jpg", "file\t1\t1\ta.jpg", "file\t1\t1.0000000000\ta.jpg",
             "file\t1\t--1.000000000\ta.jpg", "file\t1\t1.-00000001\ta.jpg", "file\t1\t1.000000000\t",
             "file\t1\t1.000000000\t/etc/passwd", "file\t1\t1.000000000\t../a.jpg",
             "file\t1\t1.000000000\timages/../../a.jpg", "file\t1\t1.000000000\ta/b/c.jpg", "file\t1\t1.000000000\t.",
             "file\t1\t1.000000000\timages/", "file\t1\t1.000000000\t%2E%2E/a.jpg",
             "file\t1\t1.000000000\ta%2Fb%2Fc.jpg", "file\t1\t1.000000000\ta%00.jpg", "file\t1\t1.000000000\ta%4.jpg",
             "file\t1\t1.000000000\ta%zz.jpg", "file\t1\t1.000000000\ta.jpg\r", "FILE\t1\t1.000000000\ta.jpg" }) {
        const std::optional<AlbumRecord> read = ParseAlbumRecord(header + bad + "\n" + good);
        ASSERT_TRUE(read) << bad;
        EXPECT_EQ(read->Files.size(), 1u) << bad;
    }
    // A last line without its line end may be cut short.
    EXPECT_TRUE(ParseAlbumRecord(header + "file\t12\t1700000000.000000005\timage001.jpg")->Files.empty());
    // Not a record, or one of a version this reader does not know.
    for (const std::string& foreign : { std::string(), good, "korvo2-album-record\t2\n" + good,
             "korvo2-album-record\n" + good, std::string("korvo2-album-record\t1") })
        EXPECT_FALSE(ParseAlbumRecord(foreign)) << foreign;
}

// The record is read from the album folder itself, never through a link, and a run keeps the
// earlier files that are still exactly as recorded.
TEST(AlbumRecord, ReadsOnlyItsOwnFileAndMergesWhatIsUnchanged)
{
    TTempDir dir;
    fs::create_directory(dir / "album");
    fs::create_directory(dir / "album/images");
    EXPECT_FALSE(ReadAlbumRecord(TFolder::Open(dir / "album")));
    for (const char* name : { "alt.htm", "images/alt.jpg", "geaendert.htm", "neu.htm" })
        WriteFile(dir / "album/" + name, "x");
    auto stampOf = [&](const std::string& name) {
        struct stat status { };
        ::lstat((dir / "album/" + name).c_str(), &status);
        return StampOf(status);
    };
    fs::create_directory_symlink(dir / "album/images", dir / "album/ordner");
    WriteFile(dir / "album/ordner/x.jpg", "x");
    AlbumRecord earlier;
    for (const char* name : { "alt.htm", "images/alt.jpg", "geaendert.htm", "neu.htm", "ordner/x.jpg" })
        earlier.Files.push_back({ name, stampOf(name) });
    earlier.Files.push_back({ "weg.htm", { 1, 0, 0 } });
    WriteFile(dir / "album/geaendert.htm", "vom Benutzer");
    ASSERT_TRUE(WriteAlbumRecord(dir / "album", earlier));

    const TFolder album = TFolder::Open(dir / "album");
    const std::optional<AlbumRecord> read = ReadAlbumRecord(album);
    ASSERT_TRUE(read);
    AlbumRecord written;
    written.Files.push_back({ "neu.htm", { 1, 2, 3 } });
    const AlbumRecord merged = MergeAlbumRecord(album, *read, written);
    EXPECT_EQ(merged.Files,
        (std::vector<AlbumRecordFile> { { "neu.htm", { 1, 2, 3 } }, { "alt.htm", stampOf("alt.htm") },
            { "images/alt.jpg", stampOf("images/alt.jpg") } }));

    fs::rename(dir / "album/.korvo2-album", dir / "record");
    fs::create_symlink(dir / "record", dir / "album/.korvo2-album");
    EXPECT_FALSE(ReadAlbumRecord(album));
}
