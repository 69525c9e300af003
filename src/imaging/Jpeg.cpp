#include "imaging/Jpeg.h"

#include "fileio/FileDescriptor.h"
#include "fileio/OpenFile.h"
#include "fileio/ReplacingFile.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>
// jerror.h after jpeglib.h: the error codes and the ERREXIT/WARNMS macros of custom sources.
#include <jerror.h>

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
        bool sawEnd = false; // the data ended early and the source made up an end marker
    };

    [[noreturn]] void ErrorExit(j_common_ptr cinfo)
    {
        std::longjmp(reinterpret_cast<TJpegError*>(cinfo->err)->jump, 1);
    }

    // Warnings are counted but never printed (the core writes nothing to stderr) and never fail
    // the decode: a truncated file or corrupt entropy data still gives a picture.
    void EmitMessage(j_common_ptr cinfo, int level)
    {
        if (level >= 0)
            return;
        ++cinfo->err->num_warnings;
        if (cinfo->err->msg_code == JWRN_JPEG_EOF)
            reinterpret_cast<TJpegError*>(cinfo->err)->sawEnd = true;
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

    // A progressive file keeps the coefficients of the whole picture while it is read: up to
    // 2 bytes per sample, so 4 GB for 512 megapixels in four channels, from a file of a few
    // hundred bytes. The library's own memory for one picture is held to 2 GiB, which every
    // progressive picture with halved colour resolution (what cameras and editors write) within
    // the 512-megapixel limit still fits; a file that asks for more fails like a damaged one.
    // Pictures read in one pass need only a few rows and never come near it.
    constexpr long MaxDecoderMemory = 2L << 30;

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

    // A source that reads the file in large chunks and keeps a copy of its first bytes for the
    // EXIF reader. At the end of the file it behaves like the library's own file source: a
    // warning and a fake end marker, so a truncated file decodes as far as it goes.
    constexpr std::size_t SourceChunk = 64 * 1024;

    struct TFileSource {
        jpeg_source_mgr pub {}; // first member: the library sees only this part
        int fd = -1;
        int readError = 0; // errno of a failed read
        bool startOfFile = true;
        std::unique_ptr<JOCTET[]> buffer;
        std::vector<std::uint8_t>* start = nullptr;
    };

    void InitFileSource(j_decompress_ptr) { }

    boolean FillFileSource(j_decompress_ptr cinfo)
    {
        auto* src = reinterpret_cast<TFileSource*>(cinfo->src);
        ssize_t count = 0;
        do
            count = ::read(src->fd, src->buffer.get(), SourceChunk);
        while (count < 0 && errno == EINTR);
        if (count < 0) {
            src->readError = errno;
            ERREXIT(cinfo, JERR_FILE_READ);
        }
        if (count == 0) {
            if (src->startOfFile)
                ERREXIT(cinfo, JERR_INPUT_EMPTY);
            WARNMS(cinfo, JWRN_JPEG_EOF);
            src->buffer[0] = static_cast<JOCTET>(0xFF);
            src->buffer[1] = static_cast<JOCTET>(JPEG_EOI);
            count = 2;
        } else if (src->startOfFile && src->start) {
            const std::size_t kept
                = std::min<std::size_t>(static_cast<std::size_t>(count), TJpegRowReader::FileStartSize);
            src->start->assign(src->buffer.get(), src->buffer.get() + kept);
        }
        src->pub.next_input_byte = src->buffer.get();
        src->pub.bytes_in_buffer = static_cast<std::size_t>(count);
        src->startOfFile = false;
        return TRUE;
    }

    void SkipFileSource(j_decompress_ptr cinfo, long count)
    {
        jpeg_source_mgr* src = cinfo->src;
        if (count <= 0)
            return;
        while (count > static_cast<long>(src->bytes_in_buffer)) {
            count -= static_cast<long>(src->bytes_in_buffer);
            FillFileSource(cinfo);
        }
        src->next_input_byte += count;
        src->bytes_in_buffer -= static_cast<std::size_t>(count);
    }

    void TermFileSource(j_decompress_ptr) { }

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

} // namespace

struct TJpegRowReader::TState {
    TDecoder decoder;
    TFileDescriptor file;
    TFileSource source;
    std::vector<std::uint8_t> fileStart;
    bool opened = false;
    bool started = false;
    bool failed = false;
    bool cmyk = false;
    bool inverted = false;
    JSAMPARRAY cmykRow = nullptr; // in the library's pool, released with the decoder
    TFailure failure;

    // After a failed call into the library: what it (or the file under it) said.
    bool Fail()
    {
        const jpeg_error_mgr& error = decoder.error.pub;
        if (source.readError != 0)
            failure = ReadFailure(source.readError);
        else if (decoder.error.sawEnd || error.msg_code == JERR_INPUT_EOF)
            failure = { FailureReason::Incomplete, {} };
        else if (error.msg_code == JERR_INPUT_EMPTY)
            failure = { FailureReason::Empty, {} };
        else if (error.msg_code == JERR_OUT_OF_MEMORY)
            failure = { FailureReason::OutOfMemory, {} };
        else if (error.msg_code == JERR_NO_SOI)
            failure = { FailureReason::NotJpeg, HexByte(error.msg_parm.i[0]) + " " + HexByte(error.msg_parm.i[1]) };
        else
            failure = { FailureReason::Unreadable, "JPEG" };
        return false;
    }

    static std::string HexByte(int value)
    {
        constexpr char Digits[] = "0123456789ABCDEF";
        return { Digits[(value >> 4) & 15], Digits[value & 15] };
    }
};

namespace {

    // The phases below hold no object with a destructor: the library's error exit jumps back
    // into them.
    bool ReadHeader(TDecoder& decoder, TFileSource* file, const std::uint8_t* data, std::size_t size)
    {
        if (setjmp(decoder.error.jump))
            return false;
        jpeg_create_decompress(&decoder.cinfo);
        decoder.cinfo.progress = &decoder.progress;
        decoder.cinfo.mem->max_memory_to_use = MaxDecoderMemory;
        if (file)
            decoder.cinfo.src = &file->pub;
        else
            jpeg_mem_src(&decoder.cinfo, data, static_cast<unsigned long>(size));
        jpeg_read_header(&decoder.cinfo, TRUE);
        return true;
    }

    bool StartDecompress(TDecoder& decoder)
    {
        if (setjmp(decoder.error.jump))
            return false;
        jpeg_start_decompress(&decoder.cinfo);
        return true;
    }

    struct TRowJob {
        std::uint8_t* const* rows;
        int count;
        JSAMPARRAY cmykRow;
        bool inverted;
    };

    bool ReadScanlines(TDecoder& decoder, const TRowJob& job)
    {
        if (setjmp(decoder.error.jump))
            return false;
        jpeg_decompress_struct& cinfo = decoder.cinfo;
        for (int done = 0; done < job.count;) {
            if (job.cmykRow) {
                if (jpeg_read_scanlines(&cinfo, job.cmykRow, 1) != 1)
                    return false;
                CmykToBgr(job.cmykRow[0], job.rows[done], cinfo.output_width, job.inverted);
                ++done;
            } else {
                // The library writes blue, green, red straight into the rows, greyscale
                // included.
                const JDIMENSION got = jpeg_read_scanlines(
                    &cinfo, const_cast<JSAMPARRAY>(job.rows + done), static_cast<JDIMENSION>(job.count - done));
                if (got == 0)
                    return false;
                done += static_cast<int>(got);
            }
        }
        // No jpeg_finish_decompress after the last row: every row is in, and damage behind it
        // must not turn a complete picture into a failure. The destructor releases the rest.
        return true;
    }

} // namespace

TJpegRowReader::TJpegRowReader()
    : m_state(std::make_unique<TState>())
{
}

TJpegRowReader::~TJpegRowReader() = default;

namespace {

    // What every decode refuses from the header alone, before the library allocates its buffers.
    bool Acceptable(jpeg_decompress_struct& cinfo, TFailure& failure)
    {
        const std::uint64_t width = cinfo.image_width;
        const std::uint64_t height = cinfo.image_height;
        if (width * height > TBitmap::MaxPixels) {
            failure = { FailureReason::PictureTooLarge, {} };
            return false;
        }
        switch (cinfo.jpeg_color_space) {
        case JCS_GRAYSCALE:
        case JCS_YCbCr:
        case JCS_RGB:
        case JCS_CMYK:
        case JCS_YCCK:
            if (width > 0 && height > 0)
                return true;
            break;
        default:
            break;
        }
        failure = { FailureReason::Unreadable, "JPEG" };
        return false;
    }

} // namespace

bool TJpegRowReader::OpenFile(const std::string& path)
{
    TState& state = *m_state;
    if (state.opened || state.failed)
        return false;
    state.failed = true;
    state.file = OpenRegularDescriptor(path);
    if (!state.file.Valid()) {
        state.failure = ReadFailure(errno);
        return false;
    }
    try {
        state.source.buffer = std::make_unique_for_overwrite<JOCTET[]>(SourceChunk);
        state.fileStart.reserve(FileStartSize);
    } catch (const std::bad_alloc&) {
        state.failure = { FailureReason::OutOfMemory, {} };
        return false;
    }
    state.source.fd = state.file.Get();
    state.source.start = &state.fileStart;
    state.source.pub.init_source = InitFileSource;
    state.source.pub.fill_input_buffer = FillFileSource;
    state.source.pub.skip_input_data = SkipFileSource;
    state.source.pub.resync_to_restart = jpeg_resync_to_restart;
    state.source.pub.term_source = TermFileSource;
    if (!ReadHeader(state.decoder, &state.source, nullptr, 0))
        return state.Fail();
    if (!Acceptable(state.decoder.cinfo, state.failure))
        return false;
    state.failed = false;
    state.opened = true;
    return true;
}

bool TJpegRowReader::OpenMemory(const std::uint8_t* data, std::size_t size)
{
    TState& state = *m_state;
    if (state.opened || state.failed)
        return false;
    state.failed = true;
    if (!data || size == 0) {
        state.failure = { FailureReason::Empty, {} };
        return false;
    }
    try {
        state.fileStart.assign(data, data + std::min(size, FileStartSize));
    } catch (const std::bad_alloc&) {
        state.failure = { FailureReason::OutOfMemory, {} };
        return false;
    }
    if (!ReadHeader(state.decoder, nullptr, data, size))
        return state.Fail();
    if (!Acceptable(state.decoder.cinfo, state.failure))
        return false;
    state.failed = false;
    state.opened = true;
    return true;
}

int TJpegRowReader::ImageWidth() const { return static_cast<int>(m_state->decoder.cinfo.image_width); }
int TJpegRowReader::ImageHeight() const { return static_cast<int>(m_state->decoder.cinfo.image_height); }
const std::vector<std::uint8_t>& TJpegRowReader::FileStart() const { return m_state->fileStart; }

bool TJpegRowReader::Start(DctMethod method, int eighths)
{
    TState& state = *m_state;
    if (!state.opened || state.started || state.failed || eighths < 1 || eighths > 8)
        return false;
    state.failed = true;
    jpeg_decompress_struct& cinfo = state.decoder.cinfo;
    if (cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK) {
        cinfo.out_color_space = JCS_CMYK;
        state.cmyk = true;
        state.inverted = cinfo.saw_Adobe_marker;
    } else {
        cinfo.out_color_space = JCS_EXT_BGR;
    }
    cinfo.scale_num = static_cast<unsigned>(eighths);
    cinfo.scale_denom = 8;
    cinfo.quantize_colors = FALSE;
    if (method == DctMethod::Float) {
        cinfo.dct_method = JDCT_FLOAT;
        cinfo.do_block_smoothing = TRUE;
    } else {
        cinfo.dct_method = JDCT_IFAST;
    }
    if (!StartDecompress(state.decoder))
        return state.Fail();
    if (cinfo.output_components != (state.cmyk ? 4 : 3) || cinfo.output_width == 0 || cinfo.output_height == 0
        || (eighths == 8 && (cinfo.output_width != cinfo.image_width || cinfo.output_height != cinfo.image_height))) {
        state.failure = { FailureReason::Unreadable, "JPEG" };
        return false;
    }
    if (state.cmyk) {
        if (setjmp(state.decoder.error.jump))
            return state.Fail();
        state.cmykRow = (*cinfo.mem->alloc_sarray)(
            reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE, cinfo.output_width * 4, 1);
    }
    state.failed = false;
    state.started = true;
    return true;
}

int TJpegRowReader::Width() const { return static_cast<int>(m_state->decoder.cinfo.output_width); }
int TJpegRowReader::Height() const { return static_cast<int>(m_state->decoder.cinfo.output_height); }
int TJpegRowReader::NextRow() const { return static_cast<int>(m_state->decoder.cinfo.output_scanline); }

bool TJpegRowReader::ReadRows(std::uint8_t* const* rows, int count)
{
    TState& state = *m_state;
    if (!state.started || state.failed || count < 0 || count > Height() - NextRow())
        return false;
    if (count == 0)
        return true;
    if (!ReadScanlines(state.decoder, { rows, count, state.cmyk ? state.cmykRow : nullptr, state.inverted })) {
        state.failed = true;
        return state.Fail();
    }
    return true;
}

const TFailure& TJpegRowReader::Failure() const { return m_state->failure; }

FailureReason TJpegRowReader::Damage() const
{
    const TJpegError& error = m_state->decoder.error;
    if (error.pub.num_warnings == 0)
        return FailureReason::None;
    return error.sawEnd ? FailureReason::Incomplete : FailureReason::CorruptData;
}

namespace {

    // Every row of an opened reader into `target`, which takes the picture's size.
    bool DecodeInto(TJpegRowReader& reader, DctMethod method, TBitmap& target)
    {
        if (!target.Reset(reader.ImageWidth(), reader.ImageHeight(), PixelFormat::Bgr24))
            return false;
        if (!reader.Start(method))
            return false;
        constexpr int Batch = 16;
        std::uint8_t* rows[Batch];
        while (reader.NextRow() < reader.Height()) {
            const int count = std::min(Batch, reader.Height() - reader.NextRow());
            for (int i = 0; i < count; ++i)
                rows[i] = target.Row(reader.NextRow() + i);
            if (!reader.ReadRows(rows, count))
                return false;
        }
        return true;
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
        bool fullChroma = false;
        bool fewScans = false;
        TMemoryDestination* memory = nullptr;
    };

    // Spectral selection only: no successive approximation, one pass per scan.
    constexpr jpeg_scan_info FewScans[] = {
        { 3, { 0, 1, 2, 0 }, 0, 0, 0, 0 },
        { 1, { 0, 0, 0, 0 }, 1, 63, 0, 0 },
        { 1, { 1, 0, 0, 0 }, 1, 63, 0, 0 },
        { 1, { 2, 0, 0, 0 }, 1, 63, 0, 0 },
    };

    bool RunEncode(TEncoder& encoder, const TEncodeJob& job)
    {
        if (setjmp(encoder.error.jump))
            return false;
        jpeg_compress_struct& cinfo = encoder.cinfo;
        jpeg_create_compress(&cinfo);
        job.memory->pub.init_destination = InitMemoryDestination;
        job.memory->pub.empty_output_buffer = GrowMemoryDestination;
        job.memory->pub.term_destination = TermMemoryDestination;
        cinfo.dest = &job.memory->pub;
        cinfo.image_width = static_cast<JDIMENSION>(job.bitmap->Width());
        cinfo.image_height = static_cast<JDIMENSION>(job.bitmap->Height());
        // Three components straight from the rows in their blue, green, red order; the colour
        // conversion and so the file are the same as from red, green, blue.
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_EXT_BGR;
        jpeg_set_defaults(&cinfo);
        cinfo.dct_method = JDCT_FLOAT;
        jpeg_set_quality(&cinfo, job.quality, TRUE);
        if (job.fullChroma)
            cinfo.comp_info[0].h_samp_factor = cinfo.comp_info[0].v_samp_factor = 1;
        if (job.progressive && job.fewScans) {
            cinfo.scan_info = FewScans;
            cinfo.num_scans = static_cast<int>(std::size(FewScans));
        } else if (job.progressive) {
            jpeg_simple_progression(&cinfo);
        }
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

BitmapPtr DecodeJpegRows(TJpegRowReader& reader, DctMethod method)
{
    BitmapPtr bitmap = TBitmap::Create(0, 0, PixelFormat::Bgr24);
    if (!bitmap || !DecodeInto(reader, method, *bitmap))
        return nullptr;
    return bitmap;
}

BitmapPtr DecodeJpegFile(const std::string& path, DctMethod method)
{
    TJpegRowReader reader;
    if (!reader.OpenFile(path))
        return nullptr;
    return DecodeJpegRows(reader, method);
}

BitmapPtr DecodeJpegMemory(const std::uint8_t* data, std::size_t size, DctMethod method)
{
    TJpegRowReader reader;
    if (!reader.OpenMemory(data, size))
        return nullptr;
    return DecodeJpegRows(reader, method);
}

bool DecodeJpegFileInto(const std::string& path, DctMethod method, TBitmap& target)
{
    TJpegRowReader reader;
    return reader.OpenFile(path) && DecodeInto(reader, method, target);
}

bool ReadJpegSize(const std::string& path, int& width, int& height)
{
    TJpegRowReader reader;
    if (!reader.OpenFile(path))
        return false;
    width = reader.ImageWidth();
    height = reader.ImageHeight();
    return true;
}

bool ReadJpegSizeMemory(const std::uint8_t* data, std::size_t size, int& width, int& height)
{
    TJpegRowReader reader;
    if (!reader.OpenMemory(data, size))
        return false;
    width = reader.ImageWidth();
    height = reader.ImageHeight();
    return true;
}

bool EncodeJpegFile(TBitmap& bitmap, const std::string& path, int quality, bool progressive)
{
    if (path.empty() || !Encodable(bitmap))
        return false;
    std::vector<std::uint8_t> encoded;
    return EncodeJpegMemory(bitmap, quality, progressive, encoded) && WriteJpegBytes(path, encoded);
}

bool WriteJpegBytes(const std::string& path, const std::vector<std::uint8_t>& bytes, FileStamp* written)
{
    if (path.empty() || bytes.empty())
        return false;
    return ReplaceFileContents(
        path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), {}, written);
}

bool EncodeJpegMemory(
    TBitmap& bitmap, int quality, bool progressive, std::vector<std::uint8_t>& out, bool fullChroma, bool fewScans)
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
        job.fullChroma = fullChroma;
        job.fewScans = fewScans;
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
