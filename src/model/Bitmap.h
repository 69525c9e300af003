#pragma once

// The raster picture every pixel operation works on. Rows are stored top row first and are
// addressed directly; a 24-bit pixel is three bytes in the order blue, green, red.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace korvo {

enum class PixelFormat {
    Indexed8, // one byte per pixel, an index into the palette
    Bgr24, // blue, green, red
    Bgra32, // blue, green, red, and a fourth byte that pixel operations ignore
};

struct PaletteEntry {
    std::uint8_t Blue = 0;
    std::uint8_t Green = 0;
    std::uint8_t Red = 0;
};

int BytesPerPixel(PixelFormat format);

class TBitmap {
    // Only Create makes bitmaps; other code cannot name the key.
    struct CreationKey {
        explicit CreationKey() = default;
    };

public:
    explicit TBitmap(CreationKey) { }

    // Pictures above this many pixels are refused, so a hostile header never becomes a huge
    // allocation.
    static constexpr std::uint64_t MaxPixels = 512'000'000;

    // A new bitmap with undefined pixel contents, or nullptr when a side is negative, the
    // picture exceeds MaxPixels, or memory runs out. A side of 0 gives an empty bitmap.
    static std::unique_ptr<TBitmap> Create(int width, int height, PixelFormat format = PixelFormat::Bgr24);

    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    PixelFormat Format() const { return m_format; }
    // Bytes from the start of one row to the start of the next.
    std::size_t Stride() const { return m_stride; }

    std::uint8_t* Row(int y) { return m_pixels.get() + static_cast<std::size_t>(y) * m_stride; }
    const std::uint8_t* Row(int y) const { return m_pixels.get() + static_cast<std::size_t>(y) * m_stride; }

    // Only meaningful for Indexed8; indices beyond the used entries read as black.
    std::array<PaletteEntry, 256>& Palette() { return m_palette; }
    const std::array<PaletteEntry, 256>& Palette() const { return m_palette; }

    // Gives the bitmap a new size and format, reusing the pixel memory when it is large
    // enough. The pixel contents are undefined afterwards. False (bitmap unchanged) when the
    // new size is refused or memory runs out.
    bool Reset(int width, int height, PixelFormat format = PixelFormat::Bgr24);

    // Converts the pixels to Bgr24 in place; what the picture shows does not change. False
    // only when memory for the conversion runs out (the bitmap is then unchanged).
    bool SwitchTo24();

    // A complete copy in the same pixel format; nullptr when memory runs out.
    std::unique_ptr<TBitmap> Clone() const;

    // Sets every pixel of a Bgr24 bitmap to one colour.
    void Fill(std::uint8_t blue, std::uint8_t green, std::uint8_t red);

private:
    int m_width = 0;
    int m_height = 0;
    PixelFormat m_format = PixelFormat::Bgr24;
    std::size_t m_stride = 0;
    std::size_t m_capacity = 0;
    std::unique_ptr<std::uint8_t[]> m_pixels;
    std::array<PaletteEntry, 256> m_palette {};
};

using BitmapPtr = std::unique_ptr<TBitmap>;

} // namespace korvo
