#include "support/JpegVariants.h"

#include "support/TestJpegCompressor.h"
#include "support/TestPictures.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include <jpeglib.h>

namespace korvo::testing {

namespace {

    std::size_t FrameHeader(const std::vector<std::uint8_t>& file)
    {
        for (std::uint8_t code : { 0xC0, 0xC1, 0xC2, 0xC9, 0xCA })
            if (const auto at = FindJpegMarker(file, code))
                return *at;
        throw std::runtime_error("no frame header");
    }

} // namespace

std::vector<std::uint8_t> EncodeJpegVariant(int width, int height, const JpegVariant& variant)
{
    const BitmapPtr picture = MakeTestBitmap(width, height);
    std::vector<std::uint8_t> ink;
    if (variant.Components == 4) {
        // Inverted CMYK, as files with the Adobe marker store it: 255 is no ink.
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const std::uint8_t* bgr = picture->Row(y) + 3 * x;
                for (const std::uint8_t value : { bgr[2], bgr[1], bgr[0], std::uint8_t { 255 } })
                    ink.push_back(value);
            }
    }
    TTestEncoding encoding;
    encoding.Width = width;
    encoding.Height = height;
    encoding.Components = variant.Components == 4 ? 4 : 3;
    encoding.In = variant.Components == 4 ? JCS_CMYK : JCS_EXT_BGR;
    encoding.File = variant.Components == 4 ? JCS_CMYK : variant.Components == 1 ? JCS_GRAYSCALE : JCS_YCbCr;
    encoding.AdobeMarker = variant.Components == 4;
    encoding.FullChroma = variant.FullChroma;
    encoding.Arithmetic = variant.Arithmetic;
    encoding.RestartRows = variant.RestartRows;
    encoding.Progressive = variant.Progressive;
    return variant.Components == 4 ? EncodeTestPixels(encoding, ink.data(), static_cast<std::size_t>(width) * 4)
                                   : EncodeTestPixels(encoding, picture->Row(0), picture->Stride());
}

std::optional<std::size_t> FindJpegMarker(const std::vector<std::uint8_t>& file, std::uint8_t code)
{
    std::size_t at = 2; // behind the start-of-image marker
    while (at + 4 <= file.size()) {
        if (file[at] != 0xFF)
            return std::nullopt;
        const std::uint8_t marker = file[at + 1];
        if (marker == code)
            return at;
        if (marker == 0xD9)
            return std::nullopt;
        at += 2 + (std::size_t { file[at + 2] } << 8) + file[at + 3];
        if (marker == 0xDA) {
            // Entropy-coded data: runs until a marker other than a stuffed zero or a restart.
            while (at + 1 < file.size()
                && !(file[at] == 0xFF && file[at + 1] != 0x00 && (file[at + 1] < 0xD0 || file[at + 1] > 0xD7)))
                ++at;
        }
    }
    return std::nullopt;
}

std::size_t FirstScanDataStart(const std::vector<std::uint8_t>& file)
{
    const auto scan = FindJpegMarker(file, 0xDA);
    if (!scan)
        throw std::runtime_error("no scan");
    return *scan + 2 + (std::size_t { file[*scan + 2] } << 8) + file[*scan + 3];
}

void SetJpegSize(std::vector<std::uint8_t>& file, int width, int height)
{
    const std::size_t at = FrameHeader(file);
    // FF Cx, length (2), precision (1), height (2), width (2)
    file[at + 5] = static_cast<std::uint8_t>(height >> 8);
    file[at + 6] = static_cast<std::uint8_t>(height);
    file[at + 7] = static_cast<std::uint8_t>(width >> 8);
    file[at + 8] = static_cast<std::uint8_t>(width);
}

void SetJpegPrecision(std::vector<std::uint8_t>& file, int bits)
{
    file[FrameHeader(file) + 4] = static_cast<std::uint8_t>(bits);
}

} // namespace korvo::testing
