#pragma once

// Small pictures made in code for tests: JPEGs (optionally with an EXIF segment built byte by
// byte) and BMPs, so no binary test files are checked in.

#include "model/Bitmap.h"
#include "support/TempDir.h"

#include <cstdint>
#include <string>
#include <vector>

namespace korvo::testing {

// A picture with a smooth colour gradient and a diagonal line, different for every size.
BitmapPtr MakeTestBitmap(int width, int height);

struct ExifTestEntry {
    std::uint16_t Tag = 0;
    std::uint16_t Type = 0;
    std::uint32_t Count = 0;
    std::vector<std::uint8_t> Value; // the value's bytes in the file's byte order (the builder
                                     // swaps SHORT/LONG/RATIONAL items given as numbers below)
};

ExifTestEntry AsciiEntry(std::uint16_t tag, const std::string& text);
ExifTestEntry ShortEntry(std::uint16_t tag, std::uint16_t value);
ExifTestEntry LongEntry(std::uint16_t tag, std::uint32_t value);
ExifTestEntry RationalEntry(std::uint16_t tag, std::uint32_t numerator, std::uint32_t denominator);

// An APP1 "Exif" segment (marker included) with IFD0 and, when `exif` is not empty, an Exif
// directory that an ExifOffset entry at the end of IFD0 points to.
std::vector<std::uint8_t> MakeExifSegment(
    bool bigEndian, const std::vector<ExifTestEntry>& ifd0, const std::vector<ExifTestEntry>& exif = {});

// A baseline JPEG of the test picture; the segment, if any, goes right after the start marker.
std::vector<std::uint8_t> MakeJpeg(int width, int height, const std::vector<std::uint8_t>& segment = {});
// A 24-bit bottom-up BMP of the test picture.
std::vector<std::uint8_t> MakeBmp(int width, int height);

// A new file in place of `path` (written beside, then renamed), modified at `seconds` since 1970,
// as a photo copied from a camera long ago.
void WriteOldFile(const std::string& path, const std::vector<std::uint8_t>& bytes, std::int64_t seconds);

// Where the picture lies inside a list picture: the bounding box of the pixels that are not the
// white background (so the pictures tested must hold no pure white).
struct PictureBounds {
    int Left = 1000, Top = 1000, Right = -1, Bottom = -1;
    bool operator==(const PictureBounds&) const = default;
};
PictureBounds PictureBox(const TBitmap& list);

} // namespace korvo::testing
