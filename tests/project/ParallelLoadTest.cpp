#include "project/LoadSave.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"
#include "support/TestPictures.h"

#include <gtest/gtest.h>

using namespace korvo;
using namespace korvo::testing;
using namespace std::chrono_literals;

// Pictures read ahead on several threads still come in file order: the same log, the same
// categories and entries, the same end after an abort, as when one worker reads them.
TEST(ParallelProjectLoad, ReadsAsOneWorkerDoes)
{
    TTempDir dir;
    std::string list;
    for (int k = 0; k < 3; ++k) {
        list += k == 0 ? "<Category>" : "<Category Name=\"Teil " + std::to_string(k) + "\">";
        for (int i = 0; i < 5; ++i) {
            const std::string path = dir / ("p" + std::to_string(k) + std::to_string(i) + ".jpg");
            if (i != 2) // every third one is missing
                WriteBytes(path, MakeJpeg(100 + 40 * i, 80 + k));
            list += "<Image Source=\"" + path + "\" Rotate=\"" + std::to_string(90 * (i % 3)) + "\" Caption=\"c"
                + std::to_string(i) + "\" />";
        }
        list += "<Image Source=\"\" /><Anderes /></Category>";
    }
    list += "<Category Name=\"leer\" />";
    const std::string project = dir / "p.kv2";
    WriteFile(project, "<Korvo2Project><ImageList Count=\"15\">" + list + "</ImageList></Korvo2Project>");

    auto load = [&](int workers, int abortOnPump) {
        Configuration config;
        TImageManager images;
        TRecordingHost host;
        host.AbortOnPump = abortOnPump;
        TAcquireOptions options;
        options.Work.Workers = workers;
        options.Work.PumpInterval = 1h;
        LoadProject(project, config, images, host, options);
        std::vector<std::string> seen = host.Lines();
        for (int k = 1; k <= images.CategoryCount(); ++k)
            seen.push_back(images.GetCategoryName(k));
        for (int i = 0; i < images.ImageCount(); ++i) {
            const TImageRecord& image = *images.GetImage(i);
            seen.push_back(image.Source + " " + image.InfoText + " " + std::to_string(image.Category) + " "
                + std::to_string(image.Rotate) + " " + image.Caption);
        }
        return seen;
    };
    for (int abortOnPump : { 0, 4, 7 }) {
        const std::vector<std::string> one = load(1, abortOnPump);
        EXPECT_EQ(load(4, abortOnPump), one) << abortOnPump;
        if (abortOnPump == 0) {
            EXPECT_EQ(one[5], "-[3/15] Fehler beim Hinzufügen: " + dir / "p02.jpg");
            EXPECT_EQ(one[21], "+12 von 15 Dateien erfolgreich hinzugefügt");
        }
    }
}
