// Writes the starting inputs of every fuzz target: small, valid examples of what each reader
// takes (camera-like EXIF blocks, project files as the program saves them, BMPs of every depth
// and header, JPEGs of every kind, HEIC/AVIF, PNG and WebP pictures of every variant), so that the fuzzers start from
// the interesting paths. Usage: korvo_fuzz_inputs FOLDER   (writes FOLDER/exif, FOLDER/markup, … one file per input)

#include "imaging/Jpeg.h"
#include "model/Configuration.h"
#include "model/Datacore.h"
#include "project/LoadSave.h"
#include "support/ContainerPictures.h"
#include "support/ExifBuilder.h"
#include "support/JpegVariants.h"
#include "support/RecordingHost.h"
#include "support/TestImages.h"
#include "support/TestPictures.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace korvo;
namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

namespace {

void Put(const fs::path& root, const std::string& target, const std::string& name, const Bytes& bytes)
{
    fs::create_directories(root / target);
    std::ofstream out(root / target / name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void PutText(const fs::path& root, const std::string& target, const std::string& name, const std::string& text)
{
    Put(root, target, name, Bytes(text.begin(), text.end()));
}

Bytes CameraExif(ExifByteOrder order, bool app0)
{
    using korvo::testing::TExifFile;
    TExifFile f(order, app0);
    f.Ifd0Ascii(0x010F, "Canon")
        .Ifd0Ascii(ExifTags::Model, "Canon PowerShot A70")
        .Ifd0(0x0112, ExifTypes::Short, 1, f.Short(6))
        .Ifd0(0x011A, ExifTypes::Rational, 1, f.Rational(180, 1))
        .Ifd0(0x0128, ExifTypes::Short, 1, f.Short(2))
        .Ifd0Ascii(ExifTags::DateTime, "2003:07:14 18:05:09")
        .ExifPointer()
        .Exif(0x829A, ExifTypes::Rational, 1, f.Rational(1, 60))
        .Exif(0x829D, ExifTypes::Rational, 1, f.Rational(28, 10))
        .Exif(0x9000, ExifTypes::Undefined, 4, { '0', '2', '2', '0' })
        .ExifAscii(ExifTags::DateTimeOriginal, "2003:07:14 18:05:09")
        .Exif(0x9201, ExifTypes::SRational, 1, f.Rational(189, 32))
        .Exif(0x9204, ExifTypes::SRational, 1, f.Rational(static_cast<std::uint32_t>(-1), 3))
        .Exif(0x9209, ExifTypes::Short, 1, f.Short(0x59))
        .Exif(0x920A, ExifTypes::Rational, 1, f.Rational(5406, 1000))
        .Exif(0x9210, ExifTypes::Short, 1, f.Short(5))
        .Exif(0xA300, ExifTypes::Undefined, 1, { 3 });
    return f.Build();
}

void ExifInputs(const fs::path& root)
{
    Put(root, "exif", "little-endian", CameraExif(ExifByteOrder::LittleEndian, false));
    Put(root, "exif", "big-endian-app0", CameraExif(ExifByteOrder::BigEndian, true));
    // Hostile shapes: the pointer at itself, offsets past the window, a count of 2^32 − 1.
    korvo::testing::TExifFile f(ExifByteOrder::LittleEndian);
    f.Ifd0Raw(ExifTags::ExifOffset, ExifTypes::Long, 1, 8)
        .Ifd0Raw(ExifTags::Model, ExifTypes::Ascii, 0xFFFFFFFF, 0xFFFFFFF0)
        .Ifd0Raw(0x011A, ExifTypes::Rational, 1, 4090);
    Put(root, "exif", "hostile", f.Build());
}

std::string SavedProject()
{
    Configuration config;
    config.DestDir = "/home/anna/Album <2024>";
    config.AlbumTitle = "Ferien & \"Strand\" – Grüße";
    config.Output.rm = true;
    config.Verbose = true;
    config.FileNames.Preview.UseOwnDirectory = true;
    TImageManager images;
    images.AddCategory("Erster Tag");
    images.AddCategory("");
    for (int i = 0; i < 3; ++i) {
        TImageRecord& image = images.AddImage();
        image.Source = "/home/anna/Bilder/IMG_" + std::to_string(i) + ".jpg";
        image.Caption = i == 1 ? "Zurück am <Strand>\tmit = und /" : "";
        image.Category = i;
        image.Rotate = i;
        image.Active = i != 2;
    }
    const fs::path path = fs::temp_directory_path() / "korvo-starting-input.kv2";
    korvo::testing::TRecordingHost host;
    SaveProject(path.string(), config, images, host);
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    fs::remove(path);
    return text;
}

void MarkupInputs(const fs::path& root)
{
    const std::string project = SavedProject();
    for (const char* target : { "markup", "project" }) {
        PutText(root, target, "saved", project);
        PutText(root, target, "declaration-and-comment",
            "<?xml version=\"1.0\"?>\r\n<!-- no end mark inside -->\r\n<Korvo2Project>\r\n <ImageList Count=\"x\">"
            "<Category /><Category Name=\"a\"><Image Source=\"s.jpg\" Active=\"ja\" Rotate=\"270\" /></Category>"
            "</ImageList></Korvo2Project>\r\n");
        PutText(root, target, "own-name-inside",
            "<Korvo2Project><Korvo2Project><Configuration Verbose=\"-v\" />"
            "</Korvo2Project><ImageList /></Korvo2Project>");
        PutText(root, target, "spellings", "<a x=\"1\" y=2 z w= q=\"a b=c/d\"/><b></ b></b><c>>< d/></c>");
        std::string deep;
        for (int i = 0; i < 200; ++i)
            deep += "<e" + std::to_string(i % 3) + ">";
        PutText(root, target, "deep", deep);
    }
    // An older file in windows-1250: "Grüße" with the byte FC for ü.
    PutText(root, "project", "windows-1250",
        "<Korvo2Project><Configuration><AlbumTitle Value=\"Gr\xFC\xDF"
        "e\" /><Output Mode=\"gallery\" rm=\"-rf\" UncategorizedImages=\"at end\" /><ThumbnailImages "
        "FrameSize=\"x\" Width=\"5000\" Aspect=\"quad\" /></Configuration></Korvo2Project>");
}

void BmpInputs(const fs::path& root)
{
    using namespace korvo::testing;
    for (int bits : { 1, 4, 8, 16, 24, 32 }) {
        for (std::uint32_t header : { 12u, 40u, 56u, 124u }) {
            if (header == 12 && (bits == 16 || bits == 32))
                continue;
            TBmpPlan plan;
            plan.Width = 7;
            plan.Height = 3;
            plan.Bits = bits;
            plan.HeaderSize = header;
            plan.TopDown = header == 124;
            if (bits <= 8)
                for (int i = 0; i < (1 << bits) && i < 16; ++i)
                    plan.Palette.push_back({ std::uint8_t(i * 16), std::uint8_t(255 - i), std::uint8_t(i) });
            if ((bits == 16 || bits == 32) && header >= 40) {
                plan.Compression = 3;
                plan.Masks = bits == 16 ? std::vector<std::uint32_t> { 0xF800, 0x07E0, 0x001F, 0 }
                                        : std::vector<std::uint32_t> { 0xFF0000, 0xFF00, 0xFF, 0xFF000000 };
            }
            for (int y = 0; y < plan.Height; ++y) {
                plan.Rows.emplace_back();
                for (int x = 0; x < plan.Width; ++x)
                    plan.Rows.back().push_back(
                        static_cast<std::uint32_t>((x * 37 + y * 11) % (bits <= 8 ? 1 << bits : 65536)));
            }
            Put(root, "bmp", "bits" + std::to_string(bits) + "-header" + std::to_string(header), BuildBmp(plan));
        }
    }
    for (int compression : { 1, 2 }) {
        TBmpPlan plan;
        plan.Width = 9;
        plan.Height = 4;
        plan.Bits = compression == 1 ? 8 : 4;
        plan.Compression = static_cast<std::uint32_t>(compression);
        for (int i = 0; i < 16; ++i)
            plan.Palette.push_back({ std::uint8_t(i * 16), 0, std::uint8_t(255 - i * 16) });
        plan.RunLengthData = { 3, 0x12, 0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 2, 1, 4, 0x34, 0, 0, 0, 1 };
        Put(root, "bmp", "rle" + std::to_string(plan.Bits), BuildBmp(plan));
    }
}

void JpegInputs(const fs::path& root)
{
    using korvo::testing::EncodeJpegVariant;
    // The first byte chooses the decoder's settings (see the fuzzer).
    const auto put = [&root](const std::string& name, Bytes file) {
        file.insert(file.begin(), 0x2A);
        Put(root, "jpeg", name, file);
    };
    put("baseline-exif", korvo::testing::MakeJpeg(24, 16, korvo::testing::MakeExifSegment(false, {})));
    put("progressive", EncodeJpegVariant(21, 13, { .Progressive = true }));
    put("arithmetic", EncodeJpegVariant(17, 9, { .Arithmetic = true }));
    put("restarts", EncodeJpegVariant(40, 40, { .RestartRows = 1 }));
    put("greyscale-progressive", EncodeJpegVariant(16, 16, { .Progressive = true, .Components = 1 }));
    put("cmyk-adobe", korvo::testing::EncodeFourChannelJpeg(9, 7, false, true, [](int x, int y) {
        return std::array<std::uint8_t, 4> { std::uint8_t(x * 20), std::uint8_t(y * 30), 0, 200 };
    }));
    put("ycck", korvo::testing::EncodeFourChannelJpeg(9, 7, true, true, [](int x, int y) {
        return std::array<std::uint8_t, 4> { std::uint8_t(x * 20), 10, std::uint8_t(y * 30), 50 };
    }));
    Bytes huge = EncodeJpegVariant(8, 8, {});
    korvo::testing::SetJpegSize(huge, 65500, 65500);
    put("huge-header", huge);
}

void ContainerInputs(const fs::path& root)
{
    using korvo::testing::ContainerKind;
    using korvo::testing::ContainerRecipe;
    // The camera's TIFF data, behind the start marker and the segment's 10 bytes.
    const Bytes camera = CameraExif(ExifByteOrder::BigEndian, false);
    const Bytes exif(camera.begin() + 12, camera.end());
    const struct {
        ContainerKind Kind;
        const char* Target;
    } kinds[] = { { ContainerKind::Heic, "heif" }, { ContainerKind::Avif, "heif" }, { ContainerKind::Png, "png" },
        { ContainerKind::Webp, "webp" } };
    for (const auto& entry : kinds) {
        const ContainerKind kind = entry.Kind;
        const std::string target = entry.Target;
        const std::string prefix = korvo::testing::ContainerExtension(kind).substr(1) + "-";
        const auto put = [&](const std::string& name, ContainerRecipe recipe) {
            recipe.Kind = kind;
            recipe.Width = 24;
            recipe.Height = 16;
            if (const Bytes file = korvo::testing::MakeContainerPicture(recipe); !file.empty())
                Put(root, target, prefix + name, file);
        };
        put("plain", {});
        put("exif", { .Exif = exif });
        put("alpha", { .Alpha = true });
        put("grey", { .Grey = true });
        // The AV1 encoder asserts on 10-bit pictures.
        if (kind == ContainerKind::Heic || kind == ContainerKind::Png)
            put("deep", { .Deep = true });
        if (kind == ContainerKind::Heic || kind == ContainerKind::Avif)
            put("turned", { .Orientation = 6 });
        if (kind == ContainerKind::Png)
            put("palette", { .Palette = true });
        if (kind == ContainerKind::Webp)
            put("animated", { .Animated = true });
    }
}

void HtmlInputs(const fs::path& root)
{
    // The fuzzer takes the page options from the end of the input and the texts from its start;
    // the EXIF block of a camera file follows the texts.
    const std::string texts = "Ferien <&> \"Grüße\"\\Strand\\Tag 1\\javascript:alert(1)\\bild_?_%\\";
    Bytes input(texts.begin(), texts.end());
    const Bytes exif = CameraExif(ExifByteOrder::LittleEndian, true);
    input.insert(input.end(), exif.begin(), exif.end());
    Put(root, "html", "camera", input);
    Put(root, "html", "plain", Bytes(64, 'a'));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "Aufruf: korvo_fuzz_inputs ORDNER\n");
        return 2;
    }
    const fs::path root = argv[1];
    ExifInputs(root);
    MarkupInputs(root);
    BmpInputs(root);
    JpegInputs(root);
    ContainerInputs(root);
    HtmlInputs(root);
    return 0;
}
