#include "imaging/FindMissing.h"
#include "imaging/AddFiles.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"
#include "support/TestPictures.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

using namespace korvo;
using namespace korvo::testing;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

using Lines = std::vector<std::string>;

TEST(MissingPictures, AreFoundBelowAFolderInNameOrderOrWhenAddedAgain)
{
    TTempDir dir;
    auto picture = [&](const std::string& relative) {
        fs::create_directories(fs::path(dir / relative).parent_path());
        WriteBytes(dir / relative, MakeJpeg(12, 8));
        return dir / relative;
    };
    const std::string x1 = picture("neu/a/x.jpg");
    const std::string x2 = picture("neu/b/x.jpg");
    picture("neu/x.jpg"); // after the folders a and b by name
    const std::string y = picture("neu/c/d/y.jpg");
    picture("anderswo/x.jpg");
    fs::create_directory_symlink(dir / "anderswo", dir / "neu/0link"); // first by name, never followed
    TImageManager images;
    for (const char* path : { "/alt/x.jpg", "/woanders/x.jpg", "/alt/y.jpg", "/alt/z.jpg" })
        AppendMissingImage(images, path);
    std::tie(images.GetImage(0)->Rotate, images.GetImage(0)->Caption) = std::make_tuple(2, "Strand");

    // The host pumps once per folder entered (a, b, c, c/d), then once per entry.
    TAcquireOptions options { .Work = { .PumpInterval = 1h } };
    for (int abortOnPump : { 5, 0 }) {
        TRecordingHost host;
        host.AbortOnPump = abortOnPump;
        FindMissing(images, dir / "neu", host, options);
        const Lines found = abortOnPump
            ? Lines { "*[1/4] Gefunden: " + x1, "-Vorgang vom Benutzer abgebrochen",
                  "+1 von 4 fehlenden Bildern gefunden" }
            : Lines { "*[1/3] Gefunden: " + x2, "*[2/3] Gefunden: " + y, "_[3/3] Nicht gefunden: /alt/z.jpg",
                  "+2 von 3 fehlenden Bildern gefunden" };
        Lines expected { "", "/Suche fehlende Bilder in " + dir / "neu" };
        expected.insert(expected.end(), found.begin(), found.end());
        expected.push_back("");
        EXPECT_EQ(host.Lines(), expected);
    }
    const TImageRecord& first = *images.GetImage(0);
    EXPECT_EQ(std::tie(first.Source, first.InfoText, first.Rotate, first.Caption, first.Missing),
        std::make_tuple(x1, "JPEG 12x8", 2, "Strand", false));
    EXPECT_TRUE(images.GetImage(3)->Missing);

    // A missing entry's own file added again fills the entry in place, with the user's turn.
    picture("alt/z.jpg");
    images.GetImage(3)->Source = dir / "alt/z.jpg";
    images.GetImage(3)->Rotate = 1;
    options.ExifRotation = true;
    TRecordingHost host;
    EXPECT_EQ(AddFiles(images, { dir / "alt/z.jpg" }, host, options).Added, 1);
    EXPECT_EQ(std::make_tuple(images.ImageCount(), images.GetImage(3)->Rotate, images.GetImage(3)->Missing),
        std::make_tuple(4, 1, false));
}
