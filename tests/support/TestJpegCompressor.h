#pragma once

// libjpeg's compressor for the test-picture builders: errors jump back to the caller's setjmp
// (so the frame that calls setjmp must hold no object with a destructor), warnings are silent,
// and the object and its memory destination are released with it.

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

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

} // namespace korvo::testing
