#include "imaging/Jpeg.h"

#include "imaging/OpenFile.h"
#include "imaging/ReplacingFile.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>

// How libjpeg is driven here: every call into the library that can fail runs inside a small
// phase function that sets the jump target of the error manager first and holds no object with
// a destructor, so the error exit's longjmp never skips one. Everything that owns memory or a
// file (the library object, the bitmap, the FILE, the output buffer) lives in the caller's frame
// and is released by RAII on every path.

namespace korvo {

namespace {

    struct TJpegError {
        jpeg_error_mgr pub;
        std::jmp_buf jump;
    };

    [[noreturn]] void ErrorExit(j_common_ptr cinfo)
    {
        std::longjmp(reinterpret_cast<TJpegError*>(cinfo->err)->jump, 1);
    }

    // Warnings are counted but never printed (the core writes nothing to stderr) and never fail
    // the decode: a truncated file or corrupt entropy data still gives a picture.
    void EmitMessage(j_common_ptr cinfo, int level)
    {
        if (level < 0)
            ++cinfo->err->num_warnings;
    }

    void OutputMessage(j_common_ptr) { }

    void InstallErrorManager(TJpegError& error)
    {
        jpeg_std_error(&error.pub);
        error.pub.error_exit = ErrorExit;
        error.pub.emit_message = EmitMessage;
        error.pub.output_message = OutputMessage;
    }

    // A hostile progressive file can repeat scans without end, and every scan is a pass over
    // the whole coefficient buffer; real files have about ten.
    constexpr int MaxScans = 1000;

    void ProgressMonitor(j_common_ptr cinfo)
    {
        if (cinfo->is_decompressor && reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > MaxScans)
            ErrorExit(cinfo);
    }

    // ---- Decoding ----

    struct TDecoder {
        jpeg_decompress_struct cinfo {};
        TJpegError error {};
        jpeg_progress_mgr progress {};

        TDecoder()
        {
            InstallErrorManager(error);
            cinfo.err = &error.pub;
            progress.progress_monitor = ProgressMonitor;
        }
        // Safe on a structure that was never created: the library checks for its memory pool.
        ~TDecoder() { jpeg_destroy_decompress(&cinfo); }
        TDecoder(const TDecoder&) = delete;
        TDecoder& operator=(const TDecoder&) = delete;
    };

    struct TDecodeSource {
        std::FILE* file = nullptr;
        const std::uint8_t* data = nullptr;
        std::size_t size = 0;
    };

    bool ReadHeader(TDecoder& decoder, const TDecodeSource& source)
    {
        if (setjmp(decoder.error.jump))
            return false;
        jpeg_create_decompress(&decoder.cinfo);
        decoder.cinfo.progress = &decoder.progress;
        if (source.file)
            jpeg_stdio_src(&decoder.cinfo, source.file);
        else
            jpeg_mem_src(&decoder.cinfo, source.data, static_cast<unsigned long>(source.size));
        jpeg_read_header(&decoder.cinfo, TRUE);
        return true;
    }

    // Four channels into blue, green, red. Files with an Adobe marker store CMYK inverted
    // (0 is full ink), which is what nearly every CMYK JPEG in the wild does.
    void CmykToBgr(const JSAMPLE* in, std::uint8_t* out, JDIMENSION width, bool inverted)
    {
        for (JDIMENSION x = 0; x < width; ++x) {
            unsigned c = in[4 * x + 0], m = in[4 * x + 1], y = in[4 * x + 2], k = in[4 * x + 3];
            if (!inverted) {
                c = 255 - c;
                m = 255 - m;
                y = 255 - y;
                k = 255 - k;
            }
            out[3 * x + 0] = static_cast<std::uint8_t>((y * k + 127) / 255);
            out[3 * x + 1] = static_cast<std::uint8_t>((m * k + 127) / 255);
            out[3 * x + 2] = static_cast<std::uint8_t>((c * k + 127) / 255);
        }
    }

    struct TPixelJob {
        TBitmap* bitmap = nullptr;
        bool cmyk = false;
        bool inverted = false;
    };

    bool ReadPixels(TDecoder& decoder, const TPixelJob& job)
    {
        if (setjmp(decoder.error.jump))
            return false;
        jpeg_decompress_struct& cinfo = decoder.cinfo;
        jpeg_start_decompress(&cinfo);
        if (cinfo.output_width != static_cast<JDIMENSION>(job.bitmap->Width())
            || cinfo.output_height != static_cast<JDIMENSION>(job.bitmap->Height())
            || cinfo.output_components != (job.cmyk ? 4 : 3))
            return false;
        // The CMYK row lives in the library's own pool, released with the decoder.
        JSAMPARRAY cmykRow = job.cmyk
            ? (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE, cinfo.output_width * 4, 1)
            : nullptr;
        while (cinfo.output_scanline < cinfo.output_height) {
            std::uint8_t* row = job.bitmap->Row(static_cast<int>(cinfo.output_scanline));
            JSAMPROW target = job.cmyk ? cmykRow[0] : row;
            if (jpeg_read_scanlines(&cinfo, &target, 1) != 1)
                return false;
            if (job.cmyk)
                CmykToBgr(cmykRow[0], row, cinfo.output_width, job.inverted);
        }
        // No jpeg_finish_decompress: every row is in, and damage behind the last row must not
        // turn a complete picture into a failure. The decoder's destructor releases the rest.
        return true;
    }

    BitmapPtr Decode(const TDecodeSource& source, DctMethod method)
    {
        TDecoder decoder;
        if (!ReadHeader(decoder, source))
            return nullptr;
        jpeg_decompress_struct& cinfo = decoder.cinfo;
        const std::uint64_t width = cinfo.image_width;
        const std::uint64_t height = cinfo.image_height;
        // Refused from the header, before the library allocates its buffers.
        if (width == 0 || height == 0 || width * height > TBitmap::MaxPixels)
            return nullptr;

        TPixelJob job;
        switch (cinfo.jpeg_color_space) {
        case JCS_GRAYSCALE:
        case JCS_YCbCr:
        case JCS_RGB:
            // The library writes blue, green, red straight into the bitmap rows, greyscale
            // included.
            cinfo.out_color_space = JCS_EXT_BGR;
            break;
        case JCS_CMYK:
        case JCS_YCCK:
            cinfo.out_color_space = JCS_CMYK;
            job.cmyk = true;
            job.inverted = cinfo.saw_Adobe_marker;
            break;
        default:
            return nullptr;
        }
        cinfo.scale_num = 1;
        cinfo.scale_denom = 1;
        cinfo.quantize_colors = FALSE;
        if (method == DctMethod::Float) {
            cinfo.dct_method = JDCT_FLOAT;
            cinfo.do_block_smoothing = TRUE;
        } else {
            cinfo.dct_method = JDCT_IFAST;
        }

        BitmapPtr bitmap = TBitmap::Create(static_cast<int>(width), static_cast<int>(height), PixelFormat::Bgr24);
        if (!bitmap)
            return nullptr;
        job.bitmap = bitmap.get();
        if (!ReadPixels(decoder, job))
            return nullptr;
        return bitmap;
    }

    // ---- Encoding ----

    struct TEncoder {
        jpeg_compress_struct cinfo {};
        TJpegError error {};

        TEncoder()
        {
            InstallErrorManager(error);
            cinfo.err = &error.pub;
        }
        ~TEncoder() { jpeg_destroy_compress(&cinfo); }
        TEncoder(const TEncoder&) = delete;
        TEncoder& operator=(const TEncoder&) = delete;
    };

    // A destination that grows a malloc'd buffer. It is owned by the caller's frame, so the
    // buffer is freed whatever way the encoding ends.
    struct TMemoryDestination {
        jpeg_destination_mgr pub {}; // first member: the library sees only this part
        unsigned char* buffer = nullptr;
        std::size_t capacity = 0;
        std::size_t size = 0;

        TMemoryDestination() = default;
        ~TMemoryDestination() { std::free(buffer); }
        TMemoryDestination(const TMemoryDestination&) = delete;
        TMemoryDestination& operator=(const TMemoryDestination&) = delete;
    };

    constexpr std::size_t InitialBufferSize = 64 * 1024;

    void InitMemoryDestination(j_compress_ptr cinfo)
    {
        auto* dest = reinterpret_cast<TMemoryDestination*>(cinfo->dest);
        if (!dest->buffer) {
            dest->buffer = static_cast<unsigned char*>(std::malloc(InitialBufferSize));
            if (!dest->buffer)
                ErrorExit(reinterpret_cast<j_common_ptr>(cinfo));
            dest->capacity = InitialBufferSize;
        }
        dest->pub.next_output_byte = dest->buffer;
        dest->pub.free_in_buffer = dest->capacity;
    }

    // Called when the buffer is full: doubles it.
    boolean GrowMemoryDestination(j_compress_ptr cinfo)
    {
        auto* dest = reinterpret_cast<TMemoryDestination*>(cinfo->dest);
        const std::size_t grown = dest->capacity * 2;
        auto* buffer = static_cast<unsigned char*>(std::realloc(dest->buffer, grown));
        if (!buffer)
            ErrorExit(reinterpret_cast<j_common_ptr>(cinfo));
        dest->buffer = buffer;
        dest->pub.next_output_byte = buffer + dest->capacity;
        dest->pub.free_in_buffer = grown - dest->capacity;
        dest->capacity = grown;
        return TRUE;
    }

    void TermMemoryDestination(j_compress_ptr cinfo)
    {
        auto* dest = reinterpret_cast<TMemoryDestination*>(cinfo->dest);
        dest->size = dest->capacity - dest->pub.free_in_buffer;
    }

    struct TEncodeJob {
        TBitmap* bitmap = nullptr;
        int quality = 75;
        bool progressive = false;
        std::FILE* file = nullptr;
        TMemoryDestination* memory = nullptr;
    };

    bool RunEncode(TEncoder& encoder, const TEncodeJob& job)
    {
        if (setjmp(encoder.error.jump))
            return false;
        jpeg_compress_struct& cinfo = encoder.cinfo;
        jpeg_create_compress(&cinfo);
        if (job.file) {
            jpeg_stdio_dest(&cinfo, job.file);
        } else {
            job.memory->pub.init_destination = InitMemoryDestination;
            job.memory->pub.empty_output_buffer = GrowMemoryDestination;
            job.memory->pub.term_destination = TermMemoryDestination;
            cinfo.dest = &job.memory->pub;
        }
        cinfo.image_width = static_cast<JDIMENSION>(job.bitmap->Width());
        cinfo.image_height = static_cast<JDIMENSION>(job.bitmap->Height());
        // Three components straight from the rows in their blue, green, red order; the colour
        // conversion and so the file are the same as from red, green, blue.
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_EXT_BGR;
        jpeg_set_defaults(&cinfo);
        cinfo.dct_method = JDCT_FLOAT;
        jpeg_set_quality(&cinfo, job.quality, TRUE);
        if (job.progressive)
            jpeg_simple_progression(&cinfo);
        jpeg_start_compress(&cinfo, TRUE);
        while (cinfo.next_scanline < cinfo.image_height) {
            JSAMPROW row = job.bitmap->Row(static_cast<int>(cinfo.next_scanline));
            jpeg_write_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_compress(&cinfo);
        return true;
    }

    bool Encodable(TBitmap& bitmap)
    {
        return bitmap.SwitchTo24() && bitmap.Width() > 0 && bitmap.Height() > 0 && bitmap.Width() <= JPEG_MAX_DIMENSION
            && bitmap.Height() <= JPEG_MAX_DIMENSION;
    }

} // namespace

BitmapPtr DecodeJpegFile(const std::string& path, DctMethod method)
{
    const FilePtr file = OpenRegularFile(path);
    if (!file)
        return nullptr;
    TDecodeSource source;
    source.file = file.get();
    return Decode(source, method);
}

BitmapPtr DecodeJpegMemory(const std::uint8_t* data, std::size_t size, DctMethod method)
{
    if (!data || size == 0)
        return nullptr;
    TDecodeSource source;
    source.data = data;
    source.size = size;
    return Decode(source, method);
}

namespace {

    bool ReadSize(const TDecodeSource& source, int& width, int& height)
    {
        TDecoder decoder;
        if (!ReadHeader(decoder, source) || decoder.cinfo.image_width == 0 || decoder.cinfo.image_height == 0)
            return false;
        width = static_cast<int>(decoder.cinfo.image_width);
        height = static_cast<int>(decoder.cinfo.image_height);
        return true;
    }

} // namespace

bool ReadJpegSize(const std::string& path, int& width, int& height)
{
    const FilePtr file = OpenRegularFile(path);
    if (!file)
        return false;
    TDecodeSource source;
    source.file = file.get();
    return ReadSize(source, width, height);
}

bool ReadJpegSizeMemory(const std::uint8_t* data, std::size_t size, int& width, int& height)
{
    if (!data || size == 0)
        return false;
    TDecodeSource source;
    source.data = data;
    source.size = size;
    return ReadSize(source, width, height);
}

bool EncodeJpegFile(TBitmap& bitmap, const std::string& path, int quality, bool progressive)
{
    if (path.empty() || !Encodable(bitmap))
        return false;
    TReplacingFile file;
    if (!file.Create(path))
        return false;
    TEncoder encoder;
    TEncodeJob job;
    job.bitmap = &bitmap;
    job.quality = quality;
    job.progressive = progressive;
    job.file = file.File();
    // The library flushed its buffer; a full disk can still show up when the file closes.
    return RunEncode(encoder, job) && file.Commit();
}

bool EncodeJpegMemory(TBitmap& bitmap, int quality, bool progressive, std::vector<std::uint8_t>& out)
{
    out.clear();
    if (!Encodable(bitmap))
        return false;
    TMemoryDestination destination;
    {
        TEncoder encoder;
        TEncodeJob job;
        job.bitmap = &bitmap;
        job.quality = quality;
        job.progressive = progressive;
        job.memory = &destination;
        if (!RunEncode(encoder, job))
            return false;
    }
    try {
        out.assign(destination.buffer, destination.buffer + destination.size);
    } catch (const std::bad_alloc&) {
        out.clear();
        return false;
    }
    return true;
}

} // namespace korvo
