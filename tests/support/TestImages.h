#pragma once

// Pictures and files made in code for the imaging tests: bitmaps with known pixels, BMP files
// of every variant built byte by byte, JPEG files of the kinds the album encoder never writes
// (greyscale, CMYK), and a look into encoded JPEGs.

#include "model/Bitmap.h"
#include "support/TempDir.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace korvo::testing {

using Bytes = std::vector<std::uint8_t>;

// A Bgr24 bitmap whose pixel (x, y) is pixel(x, y) as {blue, green, red}.
BitmapPtr MakeBitmap(int width, int height, const std::function<std::array<std::uint8_t, 3>(int, int)>& pixel);
// A Bgr24 bitmap of one grey value.
BitmapPtr MakeUniform(int width, int height, std::uint8_t value);
// A smooth, photo-like picture with edges and fine texture (deterministic).
BitmapPtr MakePhoto(int width, int height);
// The pixel (x, y) of a Bgr24 bitmap.
std::array<std::uint8_t, 3> PixelAt(const TBitmap& bitmap, int x, int y);
bool SamePixels(const TBitmap& a, const TBitmap& b);
int MaxDifference(const TBitmap& a, const TBitmap& b);

// A BMP file. Rows are given top row first as the values the pixels hold in the file's own
// encoding (palette indices, 16-bit words, B-G-R(-X) bytes); the builder packs and pads them.
struct TBmpPlan {
    int Width = 0;
    int Height = 0;
    int Bits = 24;
    std::uint32_t HeaderSize = 40;
    std::uint32_t Compression = 0;
    bool TopDown = false;
    std::vector<std::array<std::uint8_t, 3>> Palette; // blue, green, red
    std::vector<std::uint32_t> Masks; // red, green, blue[, alpha]
    std::vector<std::vector<std::uint32_t>> Rows; // top row first
    Bytes RunLengthData; // used instead of Rows when Compression is 1 or 2
};
Bytes BuildBmp(const TBmpPlan& plan);
// Offsets of fields in a BMP built with a 40-byte or larger header.
inline constexpr std::size_t BmpPixelOffsetField = 10;
inline constexpr std::size_t BmpHeaderSizeField = 14;
inline constexpr std::size_t BmpWidthField = 18;
inline constexpr std::size_t BmpHeightField = 22;
inline constexpr std::size_t BmpBitsField = 28;
inline constexpr std::size_t BmpCompressionField = 30;
inline constexpr std::size_t BmpColorsUsedField = 46;
void PutU32(Bytes& bytes, std::size_t offset, std::uint32_t value);

// JPEG files straight from the library: greyscale, and four-channel CMYK or YCCK with or
// without the Adobe marker. `ink` gives C, M, Y, K per pixel as the file stores them.
Bytes EncodeGrayJpeg(int width, int height, const std::function<std::uint8_t(int, int)>& value);
Bytes EncodeFourChannelJpeg(int width, int height, bool ycck, bool adobeMarker,
    const std::function<std::array<std::uint8_t, 4>(int, int)>& ink);

// What a JPEG file says about itself.
struct TJpegFacts {
    bool Valid = false;
    bool Progressive = false;
    int Width = 0;
    int Height = 0;
    int Components = 0;
    int ColorSpace = 0; // J_COLOR_SPACE of the file
    std::vector<std::array<std::uint16_t, 64>> Tables; // quantisation tables 0, 1, …
};
TJpegFacts InspectJpeg(const Bytes& file);
// The tables jpeg_set_quality(quality, TRUE) puts into a fresh colour encoder.
std::vector<std::array<std::uint16_t, 64>> ExpectedTables(int quality);

} // namespace korvo::testing
