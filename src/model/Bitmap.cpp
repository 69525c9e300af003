#include "model/Bitmap.h"

#include <cstring>
#include <new>

namespace korvo {

int BytesPerPixel(PixelFormat format)
{
    switch (format) {
    case PixelFormat::Indexed8:
        return 1;
    case PixelFormat::Bgr24:
        return 3;
    case PixelFormat::Bgra32:
        return 4;
    }
    return 3;
}

namespace {

    bool SizeAccepted(int width, int height)
    {
        if (width < 0 || height < 0)
            return false;
        return static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) <= TBitmap::MaxPixels;
    }

    // Uninitialised memory on purpose: every producer overwrites all pixels, and zeroing a
    // full-size picture first would cost as much as decoding it.
    std::unique_ptr<std::uint8_t[]> Allocate(std::size_t bytes)
    {
        try {
            return std::make_unique_for_overwrite<std::uint8_t[]>(bytes == 0 ? 1 : bytes);
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
    }

} // namespace

std::unique_ptr<TBitmap> TBitmap::Create(int width, int height, PixelFormat format)
{
    try {
        auto bitmap = std::make_unique<TBitmap>(CreationKey {});
        if (!bitmap->Reset(width, height, format))
            return nullptr;
        return bitmap;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

bool TBitmap::Reset(int width, int height, PixelFormat format)
{
    if (!SizeAccepted(width, height))
        return false;
    const std::size_t stride = static_cast<std::size_t>(width) * BytesPerPixel(format);
    const std::size_t bytes = stride * static_cast<std::size_t>(height);
    if (!m_pixels || bytes > m_capacity) {
        auto pixels = Allocate(bytes);
        if (!pixels)
            return false;
        m_pixels = std::move(pixels);
        m_capacity = bytes;
    }
    m_width = width;
    m_height = height;
    m_format = format;
    m_stride = stride;
    return true;
}

bool TBitmap::SwitchTo24()
{
    switch (m_format) {
    case PixelFormat::Bgr24:
        return true;
    case PixelFormat::Bgra32: {
        // Shrinking each row from 4 to 3 bytes per pixel never overtakes the reading position,
        // so the conversion can run in the same memory.
        std::uint8_t* out = m_pixels.get();
        const std::size_t newStride = static_cast<std::size_t>(m_width) * 3;
        for (int y = 0; y < m_height; ++y) {
            const std::uint8_t* in = Row(y);
            std::uint8_t* dst = out + static_cast<std::size_t>(y) * newStride;
            for (int x = 0; x < m_width; ++x) {
                dst[3 * x + 0] = in[4 * x + 0];
                dst[3 * x + 1] = in[4 * x + 1];
                dst[3 * x + 2] = in[4 * x + 2];
            }
        }
        m_stride = newStride;
        m_format = PixelFormat::Bgr24;
        return true;
    }
    case PixelFormat::Indexed8: {
        const std::size_t newStride = static_cast<std::size_t>(m_width) * 3;
        const std::size_t bytes = newStride * static_cast<std::size_t>(m_height);
        auto pixels = Allocate(bytes);
        if (!pixels)
            return false;
        for (int y = 0; y < m_height; ++y) {
            const std::uint8_t* in = Row(y);
            std::uint8_t* dst = pixels.get() + static_cast<std::size_t>(y) * newStride;
            for (int x = 0; x < m_width; ++x) {
                const PaletteEntry& entry = m_palette[in[x]];
                dst[3 * x + 0] = entry.Blue;
                dst[3 * x + 1] = entry.Green;
                dst[3 * x + 2] = entry.Red;
            }
        }
        m_pixels = std::move(pixels);
        m_capacity = bytes;
        m_stride = newStride;
        m_format = PixelFormat::Bgr24;
        return true;
    }
    }
    return false;
}

std::unique_ptr<TBitmap> TBitmap::Clone() const
{
    auto copy = Create(m_width, m_height, m_format);
    if (!copy)
        return nullptr;
    const std::size_t bytes = m_stride * static_cast<std::size_t>(m_height);
    if (bytes > 0)
        std::memcpy(copy->m_pixels.get(), m_pixels.get(), bytes);
    copy->m_palette = m_palette;
    return copy;
}

void TBitmap::Fill(std::uint8_t blue, std::uint8_t green, std::uint8_t red)
{
    if (m_format != PixelFormat::Bgr24)
        return;
    for (int y = 0; y < m_height; ++y) {
        std::uint8_t* row = Row(y);
        for (int x = 0; x < m_width; ++x) {
            row[3 * x + 0] = blue;
            row[3 * x + 1] = green;
            row[3 * x + 2] = red;
        }
    }
}

} // namespace korvo
