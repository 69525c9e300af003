// An output never replaces a source picture: the same path written another way, a linked folder,
// a linked or hard-linked picture all count as the same file; a folder merely shared does not.

#include "fileio/SourceCollision.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <unistd.h>

using namespace korvo;
using namespace korvo::testing;
namespace fs = std::filesystem;

TEST(SourceCollision, SamePathOrSameFileCollidesAndNothingElse)
{
    TTempDir dir;
    for (const char* folder : { "fotos", "out", "sammlung" })
        fs::create_directory(dir / folder);
    for (const char* file : { "fotos/a.jpg", "fotos/image001.jpg", "sammlung/b.jpg", "sammlung/c.jpg" })
        WriteFile(dir / file, file);
    fs::create_directory_symlink(dir / "fotos", dir / "verknuepft");
    fs::create_symlink(dir / "fotos/image001.jpg", dir / "sammlung/link.jpg");
    ASSERT_EQ(::link((dir / "sammlung/b.jpg").c_str(), (dir / "out/thumb001.jpg").c_str()), 0);
    fs::create_directory_symlink(dir / "sammlung", dir / "out/images");
    // A link of an output's name is replaced itself: what it points to is safe.
    fs::create_symlink(dir / "sammlung/c.jpg", dir / "out/image002.jpg");

    const std::vector<OutputFolderFiles> intoPhotos { { dir / "fotos", { "image001.jpg", "thumb001.jpg" } } };
    const std::vector<OutputFolderFiles> intoOut { { dir / "out/", { "image001.jpg", "image002.jpg", "thumb001.jpg" } },
        { dir / "out/images/", { "bild001.jpg" } } };
    const struct {
        std::vector<OutputFolderFiles> Outputs;
        std::string Source;
        bool Collides;
    } cases[] = {
        { intoPhotos, dir / "fotos/image001.jpg", true },
        { intoPhotos, dir.Path() + "//fotos/./x/../image001.jpg", true },
        { intoPhotos, dir / "verknuepft/image001.jpg", true },
        { intoPhotos, dir / "sammlung/link.jpg", true },
        { intoPhotos, dir / "fotos/thumb001.jpg", true }, // missing, same path
        { intoPhotos, dir / "fotos/a.jpg", false }, // the photo folder itself is fine
        { intoPhotos, dir / "fotos/Image001.jpg", false },
        { intoOut, dir / "sammlung/b.jpg", true }, // hard link
        { intoOut, dir / "sammlung/c.jpg", false },
        { intoOut, dir / "out/images/bild001.jpg", true },
        { intoOut, dir / "fotos/image001.jpg", false },
        { intoOut, "", false },
    };
    for (const auto& test : cases) {
        EXPECT_EQ(FirstSourceAmongOutputs(test.Outputs, { dir / "fotos/a.jpg", test.Source, test.Source }),
            test.Collides ? std::optional<std::size_t>(1) : std::nullopt)
            << test.Source;
    }
    // Outputs in a folder the run will create cannot be there yet.
    EXPECT_EQ(FirstSourceAmongOutputs({ { dir / "fehlt", { "a.jpg" } } }, { dir / "fotos/a.jpg" }), std::nullopt);
}
