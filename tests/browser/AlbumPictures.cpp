// album-pictures FOLDER: writes the photographs of the browser test into FOLDER. JPEGs in
// landscape and portrait shape with EXIF data (camera, capture date, exposure, and a description
// in Latin-1 as older cameras write it), one without EXIF data, and a BMP. Two names carry
// umlauts, so that names shown as captions go through the page's text encoding too.

#include "support/TestPictures.h"

#include <cstdio>
#include <string>

using namespace korvo::testing;

namespace {

// "Dünen bei Sonnenuntergang" in Latin-1: the EXIF reader takes bytes that are not UTF-8 as
// Latin-1, and the details page must show the umlaut right after all conversions.
const std::string DescriptionLatin1 = "D\xFCnen bei Sonnenuntergang";

std::vector<std::uint8_t> CameraExif(const std::string& model, const std::string& taken, bool description)
{
    // In ascending tag order, as a directory must be.
    std::vector<ExifTestEntry> ifd0;
    if (description)
        ifd0.push_back(AsciiEntry(0x010E, DescriptionLatin1));
    ifd0.push_back(AsciiEntry(0x010F, "Korvo"));
    ifd0.push_back(AsciiEntry(0x0110, model));
    const std::vector<ExifTestEntry> exif { RationalEntry(0x829A, 1, 250), RationalEntry(0x829D, 56, 10),
        AsciiEntry(0x9003, taken) };
    return MakeExifSegment(false, ifd0, exif);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "Aufruf: album-pictures ORDNER\n");
        return 2;
    }
    const std::string folder = std::string(argv[1]) + "/";
    WriteBytes(folder + "Strand.jpg", MakeJpeg(800, 600, CameraExif("Testkamera 1", "2024:07:14 18:30:00", true)));
    WriteBytes(folder + "Straße.jpg", MakeJpeg(480, 640, CameraExif("Testkamera 2", "2024:07:15 09:05:10", false)));
    WriteBytes(folder + "Gipfel.jpg", MakeJpeg(640, 400));
    WriteBytes(folder + "Hafen.bmp", MakeBmp(400, 300));
    WriteBytes(folder + "Wiese.jpg", MakeJpeg(300, 300, CameraExif("Testkamera 1", "2024:07:16 12:00:00", false)));
    return 0;
}
