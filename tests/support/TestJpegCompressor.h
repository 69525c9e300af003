#pragma once

// libjpeg's compressor for the test-picture builders: errors jump back to the caller's setjmp
// (so the frame that calls setjmp must hold no object with a destructor), warnings are silent,
// and the object and its memory destination are released with it. EncodeTestPixels is the one
// encoder every builder of test JPEGs goes through.

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include <jpeglib.h>

namespace korvo::testing {

struct TTestJpegError {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] inline void TestJpegErrorExit(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<TTestJpegError*>(cinfo->err)->jump, 1);
}

inline void TestJpegSilent(j_common_ptr) { }

struct TTestCompressor {
    jpeg_compress_struct cinfo {};
    TTestJpegError error {};
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    TTestCompressor()
    {
        cinfo.err = jpeg_std_error(&error.pub);
        error.pub.error_exit = TestJpegErrorExit;
        error.pub.output_message = TestJpegSilent;
    }
    ~TTestCompressor()
    {
        jpeg_destroy_compress(&cinfo);
        std::free(buffer);
    }
    TTestCompressor(const TTestCompressor&) = delete;
    TTestCompressor& operator=(const TTestCompressor&) = delete;
};

// How EncodeTestPixels encodes: the pixels' samples and colour space, the file's colour space,
// and the coding options.
struct TTestEncoding {
    int Width = 0;
    int Height = 0;
    int Components = 3; // samples a pixel in the given rows
    J_COLOR_SPACE In = JCS_EXT_BGR;
    J_COLOR_SPACE File = JCS_YCbCr;
    bool AdobeMarker = false;
    int Quality = 90;
    bool FullChroma = false; // colour at full resolution instead of halved in both directions
    bool Arithmetic = false;
    int RestartRows = 0; // a restart marker every so many MCU rows; 0 for none
    bool Progressive = false;
};

// Runs the library on the rows; plain C-like, so that the error jump skips nothing.
inline bool CompressTestPixels(
    TTestCompressor& c, const TTestEncoding& e, const std::uint8_t* pixels, std::size_t stride)
{
    if (setjmp(c.error.jump))
        return false;
    jpeg_create_compress(&c.cinfo);
    jpeg_mem_dest(&c.cinfo, &c.buffer, &c.size);
    c.cinfo.image_width = static_cast<JDIMENSION>(e.Width);
    c.cinfo.image_height = static_cast<JDIMENSION>(e.Height);
    c.cinfo.input_components = e.Components;
    c.cinfo.in_color_space = e.In;
    jpeg_set_defaults(&c.cinfo);
    jpeg_set_colorspace(&c.cinfo, e.File);
    c.cinfo.write_Adobe_marker = e.AdobeMarker ? TRUE : FALSE;
    if (e.FullChroma) {
        c.cinfo.comp_info[0].h_samp_factor = 1;
        c.cinfo.comp_info[0].v_samp_factor = 1;
    }
    jpeg_set_quality(&c.cinfo, e.Quality, TRUE);
    c.cinfo.arith_code = e.Arithmetic ? TRUE : FALSE;
    c.cinfo.restart_in_rows = e.RestartRows;
    if (e.Progressive)
        jpeg_simple_progression(&c.cinfo);
    jpeg_start_compress(&c.cinfo, TRUE);
    while (c.cinfo.next_scanline < c.cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(pixels + c.cinfo.next_scanline * stride);
        jpeg_write_scanlines(&c.cinfo, &row, 1);
    }
    jpeg_finish_compress(&c.cinfo);
    return true;
}

// The JPEG file of the rows; throws when the library fails.
inline std::vector<std::uint8_t> EncodeTestPixels(
    const TTestEncoding& e, const std::uint8_t* pixels, std::size_t stride)
{
    TTestCompressor c;
    if (!CompressTestPixels(c, e, pixels, stride))
        throw std::runtime_error("test JPEG not encoded");
    return std::vector<std::uint8_t>(c.buffer, c.buffer + c.size);
}

} // namespace korvo::testing
