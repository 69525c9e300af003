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

// Random records with every byte in their paths but "/" and NUL, the awkward ones often, come
// back exactly, also through the file; a record behind a link is not read.
TEST(AlbumRecord, RoundTripKeepsEveryPathAndStamp)
{
    std::mt19937 random(17);
    auto name = [&] {
        static constexpr char Awkward[] = { '\t', '\n', '\r', '%', ' ', '\x7F', '\xFF', '.', '\x01', '/' };
        std::string text(1 + random() % 12, 'x');
        for (char& c : text)
            c = random() % 2 ? Awkward[random() % (sizeof Awkward - 1)] : static_cast<char>(1 + random() % 255);
        std::replace(text.begin(), text.end(), '/', 'x');
        return text;
    };
    TTempDir dir;
    for (int round = 0; round < 200; ++round) {
        AlbumRecord record;
        for (int i = static_cast<int>(random() % 6); i > 0; --i) {
            record.Files.push_back({ (random() % 2 ? name() + "x/" : "") + name() + std::to_string(i),
                { random() % 3 ? random() : 0x7FFFFFFFFFFFFFFFull, static_cast<std::int64_t>(random()) - 0x80000000ll,
                    static_cast<std::uint32_t>(random() % 1000000000u) } });
        }
        std::sort(record.Files.begin(), record.Files.end(), [](auto& a, auto& b) { return a.Path < b.Path; });
        const std::string text = FormatAlbumRecord(record);
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), record.Files.size() + 1); // all encoded
        ASSERT_TRUE(WriteAlbumRecord(dir.Path(), record));
        const std::optional<AlbumRecord> read = ReadAlbumRecord(TFolder::Open(dir.Path()));
        ASSERT_TRUE(read);
        EXPECT_EQ(read->Files, record.Files) << text;
    }
    fs::rename(dir / ".korvo2-album", dir / "record");
    fs::create_symlink(dir / "record", dir / ".korvo2-album");
    EXPECT_FALSE(ReadAlbumRecord(TFolder::Open(dir.Path())));
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
