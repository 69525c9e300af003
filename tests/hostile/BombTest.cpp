// Decompression bombs: small files that claim huge pictures, or project files that grow many
// times over once read, run with the address space limited to 4 GiB. A picture above the
// 512-megapixel limit is refused from its header, one whose decoding needs more memory than
// the limit leaves fails on its own line, and what fits is made into the album; the tool never
// dies. The peak memory of every run is reported.

#include "hostile/HostileSupport.h"
#include "support/JpegVariants.h"
#include "support/TestImages.h"
#include "support/TestPictures.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace korvo::testing;
namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t FourGiB = std::uint64_t { 4 } << 30;

void ReportPeak(const char* what, const ToolOutcome& outcome)
{
    ::testing::Test::RecordProperty(what, std::to_string(outcome.PeakKilobytes / 1024) + " MB");
    std::printf("%s: peak %llu MB, %.1f s\n", what, static_cast<unsigned long long>(outcome.PeakKilobytes / 1024),
        outcome.Seconds);
}

Bytes ClaimingSize(Bytes file, int width, int height)
{
    SetJpegSize(file, width, height);
    return file;
}

} // namespace

TEST(Bombs, PicturesClaimingHugeSizes)
{
    if (SanitizedBuild())
        GTEST_SKIP() << "pictures of hundreds of megapixels take minutes under the sanitizers";
    TTempDir dir;
    fs::create_directory(dir / "in");
    std::vector<HostileInput> inputs;
    const auto add = [&](const std::string& name, const Bytes& bytes, bool readable, bool added) {
        WriteBytes(dir / ("in/" + name), bytes);
        inputs.push_back({ dir / ("in/" + name), readable, added });
    };
    add("1-65500x65500.jpg", ClaimingSize(EncodeJpegVariant(16, 16, {}), 65500, 65500), false, false);
    add("2-65500x65500-progressive.jpg", ClaimingSize(EncodeJpegVariant(16, 16, { .Progressive = true }), 65500, 65500),
        false, false);
    // 484 megapixels: within the limit, so added from the header. A progressive file keeps the
    // coefficients of the whole picture while it is read: 1.45 GB with halved colour resolution,
    // which the decoder may take; 2.9 GB at full colour resolution and 3.9 GB with four channels
    // (CMYK) are more than its 2 GiB, so those two fail in the album run without taking them.
    add("3-22000x22000-progressive.jpg", ClaimingSize(EncodeJpegVariant(16, 16, { .Progressive = true }), 22000, 22000),
        true, true);
    add("4-22000x22000-progressive-full-colour.jpg",
        ClaimingSize(EncodeJpegVariant(16, 16, { .Progressive = true, .FullChroma = true }), 22000, 22000), false,
        true);
    add("5-22000x22000-progressive-cmyk.jpg",
        ClaimingSize(EncodeJpegVariant(16, 16, { .Progressive = true, .Components = 4 }), 22000, 22000), false, true);
    // 484 megapixels of run-length data in 40 bytes: read, black, and made into the album.
    korvo::testing::TBmpPlan plan;
    plan.Width = 22000;
    plan.Height = 22000;
    plan.Bits = 8;
    plan.Compression = 1;
    plan.Palette = { { 0, 0, 0 }, { 255, 255, 255 } };
    plan.RunLengthData = { 255, 1, 255, 1, 0, 0, 255, 1, 0, 1 };
    add("6-22000x22000-rle.bmp", korvo::testing::BuildBmp(plan), true, true);
    add("7-klein.jpg", MakeJpeg(16, 12), true, true);

    // One picture at a time: the outcome of every picture is certain.
    ToolOutcome outcome = RunAlbumTool({ "--raw", "-j", "1", "--mode", "IndexOnly", "--dest", dir / "out", dir / "in" },
        { .AddressSpace = FourGiB, .Seconds = 600 });
    ReportPeak("pictures, one at a time", outcome);
    EXPECT_EQ(outcome.Signal, 0);
    EXPECT_EQ(outcome.ExitCode, 1);
    EXPECT_TRUE(LogMatches(outcome, ExpectedRunLines(inputs, true), 3, 5));

    // Several at once, the bombs may take each other's memory: whatever fails does so on its line.
    fs::remove_all(dir / "out");
    outcome = RunAlbumTool({ "--raw", "-j", "4", "--mode", "IndexOnly", "--dest", dir / "out", dir / "in" },
        { .AddressSpace = FourGiB, .Seconds = 600 });
    ReportPeak("pictures, four at a time", outcome);
    EXPECT_EQ(outcome.Signal, 0);
    EXPECT_EQ(outcome.ExitCode, 1);
    EXPECT_EQ(outcome.Starting("*[").size() + outcome.Starting("-[").size(), inputs.size() + 5) << outcome.Output;
    EXPECT_TRUE(outcome.Has("*[5/5] " + inputs.back().Path) || outcome.Has("-[5/5] Fehler: " + inputs.back().Path));
    EXPECT_EQ(outcome.Starting("+").size(), 2u);

    // Turned by 90 degrees the picture is held whole (1.45 GB) beside the coefficients, and still
    // fits.
    WriteFile(dir / "gedreht.kv2",
        "<Korvo2Project><Configuration><DestDir Value=\"" + dir / "gedreht" + "\" /></Configuration>"
            + "<ImageList Count=\"1\"><Category><Image Source=\"" + inputs[2].Path
            + "\" Active=\"yes\" Rotate=\"90CW\" /></Category></ImageList></Korvo2Project>");
    outcome = RunAlbumTool({ "--raw", "-j", "1", dir / "gedreht.kv2" }, { .AddressSpace = FourGiB, .Seconds = 600 });
    ReportPeak("turned picture", outcome);
    EXPECT_EQ(outcome.Signal, 0);
    EXPECT_EQ(outcome.ExitCode, 0) << outcome.Output;
    EXPECT_TRUE(outcome.Has("*[1/1] " + inputs[2].Path)) << outcome.Output;
}

TEST(Bombs, ProjectThatGrowsWhenRead)
{
    if (SanitizedBuild())
        GTEST_SKIP() << "a million elements take minutes under the sanitizers";
    TTempDir dir;
    // 32 MB, the largest project file that is read: four million elements.
    std::string text = "<Korvo2Project><ImageList Count=\"1\"><Category>";
    while (text.size() < (std::size_t { 32 } << 20) - 64)
        text += "<Image/>";
    text += "</Category></ImageList></Korvo2Project>";
    WriteFile(dir / "gross.kv2", text);
    const ToolOutcome outcome
        = RunAlbumTool({ "--raw", "--no-run", dir / "gross.kv2" }, { .AddressSpace = FourGiB, .Seconds = 600 });
    ReportPeak("project", outcome);
    EXPECT_EQ(outcome.ExitCode, 1);
    EXPECT_EQ(outcome.Lines,
        (std::vector<std::string> { "", "/Lese Projektdatei " + dir / "gross.kv2", "-Keine Konfigurationsdaten",
            "+0 von 1 Dateien erfolgreich hinzugefügt", "" }));
}

// The address space cut at every megabyte from where the tool can barely start to where every
// picture fits: wherever memory runs out (the decoder, the filters, the scaling, the pages), it is
// the failure of the picture at hand, and the run goes on to its summary.
TEST(Bombs, MemoryRunningOutAnywhereFailsOnlyThatPicture)
{
    if (SanitizedBuild())
        GTEST_SKIP() << "the sanitizers need far more address space than these limits";
    TTempDir dir;
    fs::create_directory(dir / "in");
    std::vector<std::string> pictures;
    const auto add = [&](const std::string& name, const Bytes& bytes) {
        WriteBytes(dir / ("in/" + name), bytes);
        pictures.push_back(dir / ("in/" + name));
    };
    add("a.jpg", MakeJpeg(40, 30));
    add("b.jpg", EncodeJpegVariant(2000, 1500, {}));
    add("c.bmp", MakeBmp(1500, 1000));
    add("d.jpg", EncodeJpegVariant(1500, 1000, { .Progressive = true }));
    add("e.jpg", MakeJpeg(30, 40));

    int started = 0;
    int complete = 0;
    // The HEIF, AV1 and HEVC libraries the tool links take some 16 MB of address space before
    // the first picture, so the tool starts only at about 32 MB.
    for (std::uint64_t megabytes = 4; megabytes <= 80; ++megabytes) {
        fs::remove_all(dir / "out");
        const ToolOutcome outcome = RunAlbumTool({ "--raw", "--mode", "WithDetails", "--set",
                                                     "Preprocessing.Equalize=yes", "--dest", dir / "out", dir / "in" },
            { .AddressSpace = megabytes << 20 });
        const std::string limit = std::to_string(megabytes) + " MB";
        ASSERT_EQ(outcome.Signal, 0) << limit << "\n" << outcome.Output;
        if (outcome.ExitCode == 127 && !outcome.Has("/Füge 5 Dateien hinzu"))
            continue; // the system could not even load the program
        ++started;
        ASSERT_TRUE(outcome.ExitCode == 0 || outcome.ExitCode == 1) << limit << "\n" << outcome.Output;
        int added = 0;
        for (std::size_t i = 0; i < pictures.size(); ++i) {
            const std::string prefix = "[" + std::to_string(i + 1) + "/5] ";
            const bool ok = outcome.Has("*" + prefix + "Bild hinzugefügt: " + pictures[i]);
            EXPECT_NE(ok, outcome.Has("-" + prefix + "Fehler beim Hinzufügen: " + pictures[i])) << limit;
            added += ok;
        }
        const auto album = outcome.Starting("*[").size() + outcome.Starting("-[").size() - pictures.size();
        EXPECT_EQ(album, static_cast<std::size_t>(added)) << limit << "\n" << outcome.Output;
        EXPECT_EQ(outcome.Starting("+").size(), 2u) << limit << "\n" << outcome.Output;
        complete += outcome.ExitCode == 0;
    }
    EXPECT_GT(started, 30);
    EXPECT_GT(complete, 0); // the largest limits hold every picture
}
