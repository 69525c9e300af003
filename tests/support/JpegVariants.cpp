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

    // No object with a destructor lives in this frame, so the error jump skips nothing.
    bool Compress(TTestCompressor& c, int width, int height, const JpegVariant& variant, const std::uint8_t* pixels,
        std::size_t stride)
    {
        if (setjmp(c.error.jump))
            return false;
        jpeg_create_compress(&c.cinfo);
        jpeg_mem_dest(&c.cinfo, &c.buffer, &c.size);
        c.cinfo.image_width = static_cast<JDIMENSION>(width);
        c.cinfo.image_height = static_cast<JDIMENSION>(height);
        c.cinfo.input_components = variant.Components == 4 ? 4 : 3;
        c.cinfo.in_color_space = variant.Components == 4 ? JCS_CMYK : JCS_EXT_BGR;
        jpeg_set_defaults(&c.cinfo);
        if (variant.Components == 1)
            jpeg_set_colorspace(&c.cinfo, JCS_GRAYSCALE);
        if (variant.Components == 4)
            c.cinfo.write_Adobe_marker = TRUE;
        if (variant.FullChroma) {
            c.cinfo.comp_info[0].h_samp_factor = 1;
            c.cinfo.comp_info[0].v_samp_factor = 1;
        }
        jpeg_set_quality(&c.cinfo, 90, TRUE);
        c.cinfo.arith_code = variant.Arithmetic ? TRUE : FALSE;
        c.cinfo.restart_in_rows = variant.RestartRows;
        if (variant.Progressive)
            jpeg_simple_progression(&c.cinfo);
        jpeg_start_compress(&c.cinfo, TRUE);
        while (c.cinfo.next_scanline < c.cinfo.image_height) {
            JSAMPROW row = const_cast<JSAMPROW>(pixels + c.cinfo.next_scanline * stride);
            jpeg_write_scanlines(&c.cinfo, &row, 1);
        }
        jpeg_finish_compress(&c.cinfo);
        return true;
    }

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
    TTestCompressor c;
    const bool done = variant.Components == 4
        ? Compress(c, width, height, variant, ink.data(), static_cast<std::size_t>(width) * 4)
        : Compress(c, width, height, variant, picture->Row(0), picture->Stride());
    if (!done)
        throw std::runtime_error("test JPEG not encoded");
    return std::vector<std::uint8_t>(c.buffer, c.buffer + c.size);
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
