#include "imaging/Png.h"

#include <png.h>

#include <cstring>
#include <vector>

namespace korvo {

namespace {

    std::uint32_t BigEndian32(const std::uint8_t* p)
    {
        return (std::uint32_t { p[0] } << 24) | (std::uint32_t { p[1] } << 16) | (std::uint32_t { p[2] } << 8) | p[3];
    }

    // The eXIf chunk, looked for along the chunk lengths up to the end chunk; the library's own
    // reader checks the chunks it decodes, this walk only needs to stay inside the data.
    void FindExifChunk(const std::uint8_t* data, std::size_t size, TDecodedPicture& picture)
    {
        std::size_t at = 8; // behind the signature
        while (at + 12 <= size) {
            const std::uint64_t length = BigEndian32(data + at);
            const std::uint8_t* type = data + at + 4;
            if (length > size - at - 12)
                return;
            if (std::memcmp(type, "eXIf", 4) == 0) {
                KeepExif(data + at + 8, static_cast<std::size_t>(length), picture);
                return;
            }
            if (std::memcmp(type, "IEND", 4) == 0)
                return;
            at += 12 + static_cast<std::size_t>(length);
        }
    }

    // The memory a file is read from; the library jumps out when the data run short.
    struct TPngSource {
        const std::uint8_t* Data;
        std::size_t Size;
        std::size_t Position;
    };

    void ReadFromMemory(png_structp png, png_bytep out, std::size_t count)
    {
        auto* source = static_cast<TPngSource*>(png_get_io_ptr(png));
        if (count > source->Size - source->Position)
            png_error(png, "truncated");
        std::memcpy(out, source->Data + source->Position, count);
        source->Position += count;
    }

    [[noreturn]] void OnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
    void OnWarning(png_structp, png_const_charp) { }

    // Frees the library's objects in the calling frame, which the error jumps never leave.
    struct TPngReader {
        png_structp Png = nullptr;
        png_infop Info = nullptr;
        TPngReader()
        {
            Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
            if (Png)
                Info = png_create_info_struct(Png);
        }
        ~TPngReader() { png_destroy_read_struct(&Png, &Info, nullptr); }
        TPngReader(const TPngReader&) = delete;
        TPngReader& operator=(const TPngReader&) = delete;
    };

    // The phases below hold no object with a destructor: the library's errors jump back into
    // them and they return false.
    bool ReadHeader(png_structp png, png_infop info, TPngSource& source, std::uint32_t& width, std::uint32_t& height)
    {
        if (setjmp(png_jmpbuf(png)))
            return false;
        png_set_read_fn(png, &source, ReadFromMemory);
        png_read_info(png, info);
        width = png_get_image_width(png, info);
        height = png_get_image_height(png, info);
        return true;
    }

    bool HasAlpha(png_structp png, png_infop info)
    {
        return (png_get_color_type(png, info) & PNG_COLOR_MASK_ALPHA) != 0
            || png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    }

    // Every colour type and depth as 8 bits per channel: palettes and grey expanded, 16 bits
    // cut to 8 (the file's values, no gamma applied). Without alpha the rows are blue, green,
    // red, straight into the bitmap's rows; with alpha (or a transparent colour) red, green,
    // blue, alpha into `rows`, which holds 4 × width × height bytes.
    bool ReadPixels(png_structp png, png_infop info, std::uint8_t* const* rows, std::size_t rowBytes, int height)
    {
        if (setjmp(png_jmpbuf(png)))
            return false;
        png_set_expand(png);
        png_set_strip_16(png);
        png_set_gray_to_rgb(png);
        if (rowBytes % 4 != 0 || !HasAlpha(png, info))
            png_set_bgr(png);
        const int passes = png_set_interlace_handling(png);
        png_read_update_info(png, info);
        if (png_get_rowbytes(png, info) != rowBytes)
            return false;
        for (int pass = 0; pass < passes; ++pass)
            for (int y = 0; y < height; ++y)
                png_read_row(png, rows[y], nullptr);
        return true;
    }

} // namespace

bool ReadPngMemory(const std::uint8_t* data, std::size_t size, DecodeScope scope, TDecodedPicture& picture)
{
    picture = TDecodedPicture {};
    if (!data || size < 8 || png_sig_cmp(data, 0, 8) != 0)
        return false;
    TPngReader reader;
    if (!reader.Png || !reader.Info)
        return false;
    TPngSource source { data, size, 0 };
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    if (!ReadHeader(reader.Png, reader.Info, source, width, height) || !WithinPixelLimit(width, height))
        return false;
    picture.Width = static_cast<int>(width);
    picture.Height = static_cast<int>(height);
    FindExifChunk(data, size, picture);
    if (scope == DecodeScope::HeaderOnly)
        return true;
    const bool alpha = HasAlpha(reader.Png, reader.Info);
    BitmapPtr bitmap = TBitmap::Create(picture.Width, picture.Height);
    if (!bitmap)
        return false;
    const std::size_t rowBytes = (alpha ? 4 : 3) * static_cast<std::size_t>(picture.Width);
    std::vector<std::uint8_t> rgba(alpha ? rowBytes * height : 0);
    std::vector<std::uint8_t*> rows(height);
    for (int y = 0; y < picture.Height; ++y)
        rows[static_cast<std::size_t>(y)]
            = alpha ? rgba.data() + rowBytes * static_cast<std::size_t>(y) : bitmap->Row(y);
    if (!ReadPixels(reader.Png, reader.Info, rows.data(), rowBytes, picture.Height))
        return false;
    if (alpha)
        bitmap = BitmapFromRgb(rgba.data(), picture.Width, picture.Height, rowBytes, 4);
    picture.Bitmap = std::move(bitmap);
    return picture.Bitmap != nullptr;
}

bool ReadPngFile(const std::string& path, DecodeScope scope, TDecodedPicture& picture)
{
    std::string bytes;
    if (!ReadPictureBytes(path, bytes))
        return false;
    return ReadPngMemory(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), scope, picture);
}

} // namespace korvo
