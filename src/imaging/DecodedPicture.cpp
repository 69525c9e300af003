#include "imaging/DecodedPicture.h"

#include "fileio/OpenFile.h"

#include <algorithm>

namespace korvo {

void KeepExif(const std::uint8_t* data, std::size_t size, TDecodedPicture& picture)
{
    picture.Exif.assign(data, data + std::min(size, KeptExifBytes));
}

bool WithinPixelLimit(std::int64_t width, std::int64_t height)
{
    if (width < 1 || height < 1)
        return false;
    const auto w = static_cast<std::uint64_t>(width);
    const auto h = static_cast<std::uint64_t>(height);
    return w <= TBitmap::MaxPixels && h <= TBitmap::MaxPixels && w * h <= TBitmap::MaxPixels;
}

bool ReadPictureBytes(const std::string& path, std::string& bytes)
{
    // Four bytes per pixel would be more than any compressed picture needs.
    return ReadWholeFile(path, 4 * TBitmap::MaxPixels, bytes) && !bytes.empty();
}

BitmapPtr BitmapFromRgb(
    const std::uint8_t* pixels, int width, int height, std::size_t stride, int channels, bool premultiplied)
{
    BitmapPtr bitmap = TBitmap::Create(width, height);
    if (!bitmap)
        return nullptr;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* in = pixels + static_cast<std::size_t>(y) * stride;
        std::uint8_t* out = bitmap->Row(y);
        for (int x = 0; x < width; ++x, in += channels, out += 3) {
            if (channels == 3) {
                out[0] = in[2];
                out[1] = in[1];
                out[2] = in[0];
                continue;
            }
            const unsigned alpha = in[3];
            for (int c = 0; c < 3; ++c) {
                const unsigned colour = in[2 - c];
                // White behind: straight colours are weighted, premultiplied ones already are.
                const unsigned value = premultiplied ? std::min(255u, colour + 255 - alpha)
                                                     : (colour * alpha + 255 * (255 - alpha) + 127) / 255;
                out[c] = static_cast<std::uint8_t>(value);
            }
        }
    }
    return bitmap;
}

} // namespace korvo
