#include "imaging/Bmp.h"

#include "fileio/OpenFile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

namespace korvo {

namespace {

    constexpr std::size_t FileHeaderSize = 14;

    enum Compression : std::uint32_t {
        CompressionNone = 0,
        CompressionRle8 = 1,
        CompressionRle4 = 2,
        CompressionBitFields = 3,
        CompressionAlphaBitFields = 6,
    };

    std::uint32_t U16(const std::uint8_t* p) { return static_cast<std::uint32_t>(p[0] | (p[1] << 8)); }
    std::uint32_t U32(const std::uint8_t* p)
    {
        return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8)
            | (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
    }
    std::int32_t I32(const std::uint8_t* p) { return static_cast<std::int32_t>(U32(p)); }

    // One colour channel of a bit-field pixel, scaled to 0 … 255.
    struct TChannelMask {
        int Shift = 0;
        std::uint32_t Max = 0; // the channel's largest value; 0 for an absent channel

        std::uint8_t Extract(std::uint32_t pixel) const
        {
            if (Max == 0)
                return 0;
            const std::uint64_t v = (pixel >> Shift) & Max;
            return static_cast<std::uint8_t>((v * 255 + Max / 2) / Max);
        }
    };

    // False for a mask whose bits are not contiguous.
    bool MakeChannelMask(std::uint32_t mask, TChannelMask& channel)
    {
        channel = {};
        if (mask == 0)
            return true;
        while (!(mask & 1u)) {
            mask >>= 1;
            ++channel.Shift;
        }
        if ((mask & (mask + 1)) != 0 && mask != 0xFFFFFFFFu)
            return false;
        channel.Max = mask;
        return true;
    }

    struct TBmpLayout {
        std::int64_t Width = 0;
        std::int64_t Height = 0; // always positive; TopDown tells the row order
        bool TopDown = false;
        std::uint32_t Bits = 0;
        std::uint32_t Compression = CompressionNone;
        std::size_t PixelOffset = 0;
        TChannelMask Blue, Green, Red, Alpha;
    };

    void ReadPalette(const std::uint8_t* data, std::size_t size, std::size_t start, std::size_t entrySize,
        std::uint32_t colorsUsed, const TBmpLayout& layout, TBitmap& bitmap)
    {
        std::size_t count = std::size_t { 1 } << layout.Bits;
        if (colorsUsed != 0 && colorsUsed < count)
            count = colorsUsed;
        // Some writers count more entries than they store: take what lies before the pixels,
        // and never read past the end. Missing entries stay black.
        std::size_t end = size;
        if (layout.PixelOffset > start)
            end = std::min(end, layout.PixelOffset);
        if (start >= end)
            count = 0;
        else
            count = std::min(count, (end - start) / entrySize);
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t* entry = data + start + i * entrySize;
            bitmap.Palette()[i] = { entry[0], entry[1], entry[2] };
        }
    }

    void ReadUncompressedRows(const std::uint8_t* data, std::size_t stride, const TBmpLayout& layout, TBitmap& bitmap)
    {
        const int width = bitmap.Width();
        const int height = bitmap.Height();
        const bool fields
            = layout.Compression == CompressionBitFields || layout.Compression == CompressionAlphaBitFields;
        for (int y = 0; y < height; ++y) {
            const std::size_t fileRow
                = layout.TopDown ? static_cast<std::size_t>(y) : static_cast<std::size_t>(height - 1 - y);
            const std::uint8_t* in = data + layout.PixelOffset + fileRow * stride;
            std::uint8_t* out = bitmap.Row(y);
            switch (layout.Bits) {
            case 1:
                for (int x = 0; x < width; ++x)
                    out[x] = static_cast<std::uint8_t>((in[x >> 3] >> (7 - (x & 7))) & 1);
                break;
            case 4:
                for (int x = 0; x < width; ++x)
                    out[x] = static_cast<std::uint8_t>((x & 1) ? in[x >> 1] & 0x0F : in[x >> 1] >> 4);
                break;
            case 8:
                std::memcpy(out, in, static_cast<std::size_t>(width));
                break;
            case 24:
                std::memcpy(out, in, static_cast<std::size_t>(width) * 3);
                break;
            case 16:
                for (int x = 0; x < width; ++x) {
                    const std::uint32_t pixel = U16(in + 2 * x);
                    out[3 * x + 0] = layout.Blue.Extract(pixel);
                    out[3 * x + 1] = layout.Green.Extract(pixel);
                    out[3 * x + 2] = layout.Red.Extract(pixel);
                }
                break;
            case 32:
                if (!fields) {
                    std::memcpy(out, in, static_cast<std::size_t>(width) * 4);
                    break;
                }
                for (int x = 0; x < width; ++x) {
                    const std::uint32_t pixel = U32(in + 4 * x);
                    out[4 * x + 0] = layout.Blue.Extract(pixel);
                    out[4 * x + 1] = layout.Green.Extract(pixel);
                    out[4 * x + 2] = layout.Red.Extract(pixel);
                    out[4 * x + 3] = layout.Alpha.Extract(pixel);
                }
                break;
            default:
                break;
            }
        }
    }

    // Run-length encoded data (8 or 4 bits): pixels the data skips keep palette index 0, and
    // data that ends early leaves the rest of the picture at index 0, as a truncated JPEG
    // leaves the rest grey.
    void ReadRunLengthRows(const std::uint8_t* data, std::size_t size, const TBmpLayout& layout, TBitmap& bitmap)
    {
        const std::int64_t width = bitmap.Width();
        const std::int64_t height = bitmap.Height();
        const bool four = layout.Compression == CompressionRle4;
        for (int y = 0; y < bitmap.Height(); ++y)
            std::memset(bitmap.Row(y), 0, static_cast<std::size_t>(width));

        std::int64_t x = 0;
        std::int64_t y = 0; // counted from the bottom row
        auto put = [&](std::uint8_t index) {
            if (x < width && y < height)
                bitmap.Row(static_cast<int>(height - 1 - y))[x] = index;
            ++x;
        };
        std::size_t pos = layout.PixelOffset;
        while (pos + 2 <= size && y < height) {
            const unsigned count = data[pos];
            const unsigned value = data[pos + 1];
            pos += 2;
            if (count > 0) {
                const auto first = static_cast<std::uint8_t>(four ? value >> 4 : value);
                const auto second = static_cast<std::uint8_t>(four ? value & 0x0F : value);
                for (unsigned i = 0; i < count && x < width; ++i)
                    put(i % 2 ? second : first);
                continue;
            }
            if (value == 0) { // end of line
                x = 0;
                ++y;
            } else if (value == 1) { // end of bitmap
                break;
            } else if (value == 2) { // move right and up
                if (pos + 2 > size)
                    break;
                x += data[pos];
                y += data[pos + 1];
                pos += 2;
            } else { // `value` literal pixels, padded to a 16-bit boundary
                const std::size_t bytes = four ? (value + 1) / 2 : value;
                if (pos + bytes > size)
                    break;
                for (unsigned i = 0; i < value; ++i) {
                    const std::uint8_t byte = data[pos + (four ? i / 2 : i)];
                    put(static_cast<std::uint8_t>(four ? (i % 2 ? byte & 0x0F : byte >> 4) : byte));
                }
                pos += bytes + (bytes & 1);
            }
        }
    }

} // namespace

BitmapPtr ReadBmpMemory(const std::uint8_t* data, std::size_t size)
{
    if (!data || size < FileHeaderSize + 12 || data[0] != 'B' || data[1] != 'M')
        return nullptr;
    TBmpLayout layout;
    layout.PixelOffset = U32(data + 10);
    const std::uint32_t headerSize = U32(data + 14);
    // Core (12), info (40), version 2 and 3 of the info header with masks (52, 56), version 4
    // (108) and version 5 (124).
    if (headerSize != 12 && headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108
        && headerSize != 124)
        return nullptr;
    if (FileHeaderSize + headerSize > size)
        return nullptr;
    const std::uint8_t* header = data + FileHeaderSize;
    std::uint32_t colorsUsed = 0;
    std::size_t paletteEntrySize = 4;
    std::size_t tableStart = FileHeaderSize + headerSize;
    if (headerSize == 12) {
        layout.Width = U16(header + 4);
        layout.Height = U16(header + 6);
        layout.Bits = U16(header + 10);
        paletteEntrySize = 3;
    } else {
        layout.Width = I32(header + 4);
        const std::int64_t height = I32(header + 8);
        layout.TopDown = height < 0;
        layout.Height = height < 0 ? -height : height;
        layout.Bits = U16(header + 14);
        layout.Compression = U32(header + 16);
        colorsUsed = U32(header + 32);
    }
    if (layout.Width <= 0 || layout.Height <= 0
        || static_cast<std::uint64_t>(layout.Width) * static_cast<std::uint64_t>(layout.Height) > TBitmap::MaxPixels)
        return nullptr;

    switch (layout.Compression) {
    case CompressionNone:
        if (layout.Bits != 1 && layout.Bits != 4 && layout.Bits != 8 && layout.Bits != 16 && layout.Bits != 24
            && layout.Bits != 32)
            return nullptr;
        if (layout.Bits == 16) { // 5 bits per channel
            MakeChannelMask(0x7C00, layout.Red);
            MakeChannelMask(0x03E0, layout.Green);
            MakeChannelMask(0x001F, layout.Blue);
        }
        break;
    case CompressionRle8:
    case CompressionRle4:
        if (layout.Bits != (layout.Compression == CompressionRle8 ? 8u : 4u) || layout.TopDown)
            return nullptr;
        break;
    case CompressionBitFields:
    case CompressionAlphaBitFields: {
        if (layout.Bits != 16 && layout.Bits != 32)
            return nullptr;
        const bool alpha = layout.Compression == CompressionAlphaBitFields || headerSize >= 56;
        const std::size_t maskCount = alpha ? 4 : 3;
        // The info header keeps its masks behind it; the later headers hold them inside.
        std::size_t maskStart = FileHeaderSize + 40;
        if (headerSize == 40)
            tableStart += maskCount * 4;
        if (maskStart + maskCount * 4 > size)
            return nullptr;
        if (!MakeChannelMask(U32(data + maskStart), layout.Red)
            || !MakeChannelMask(U32(data + maskStart + 4), layout.Green)
            || !MakeChannelMask(U32(data + maskStart + 8), layout.Blue))
            return nullptr;
        if (alpha && !MakeChannelMask(U32(data + maskStart + 12), layout.Alpha))
            return nullptr;
        break;
    }
    default: // embedded JPEG or PNG, and unknown methods
        return nullptr;
    }

    if (layout.PixelOffset < FileHeaderSize + 12 || layout.PixelOffset >= size)
        return nullptr;
    const std::uint64_t rowBits = static_cast<std::uint64_t>(layout.Width) * layout.Bits;
    const std::uint64_t stride = (rowBits + 31) / 32 * 4;
    if (layout.Compression == CompressionNone || layout.Compression == CompressionBitFields
        || layout.Compression == CompressionAlphaBitFields) {
        // Every row must be there; the last one may lack its padding.
        const std::uint64_t needed = stride * static_cast<std::uint64_t>(layout.Height - 1) + (rowBits + 7) / 8;
        if (needed > size - layout.PixelOffset)
            return nullptr;
    }

    const PixelFormat format = layout.Bits <= 8 ? PixelFormat::Indexed8
        : layout.Bits == 32                     ? PixelFormat::Bgra32
                                                : PixelFormat::Bgr24;
    BitmapPtr bitmap = TBitmap::Create(static_cast<int>(layout.Width), static_cast<int>(layout.Height), format);
    if (!bitmap)
        return nullptr;
    if (format == PixelFormat::Indexed8)
        ReadPalette(data, size, tableStart, paletteEntrySize, colorsUsed, layout, *bitmap);
    if (layout.Compression == CompressionRle8 || layout.Compression == CompressionRle4)
        ReadRunLengthRows(data, size, layout, *bitmap);
    else
        ReadUncompressedRows(data, static_cast<std::size_t>(stride), layout, *bitmap);
    return bitmap;
}

BitmapPtr ReadBmpFile(const std::string& path)
{
    std::uint64_t length = 0;
    FilePtr file = OpenRegularFile(path, &length);
    // Sizes and offsets in the headers are 32-bit, so no bitmap file is larger than 4 GiB.
    if (!file || length == 0 || length > 0xFFFFFFFFull)
        return nullptr;
    const auto size = static_cast<std::size_t>(length);
    std::unique_ptr<std::uint8_t[]> contents;
    try {
        contents = std::make_unique_for_overwrite<std::uint8_t[]>(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    if (std::fread(contents.get(), 1, size, file.get()) != size)
        return nullptr;
    file.reset();
    return ReadBmpMemory(contents.get(), size);
}

} // namespace korvo
