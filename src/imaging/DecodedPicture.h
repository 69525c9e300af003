#pragma once

// What the readers of the container formats (HEIF and AVIF, PNG, WebP) hand back, and what
// they share: the whole file in memory, the pixel limit, the EXIF data kept, and the turn of
// 8-bit RGB or RGBA rows (an alpha channel composited onto white) into the 24-bit bitmap.

#include "model/Bitmap.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace korvo {

// Header only: size and EXIF, for acquisition without a list picture. Pixels: the whole picture.
enum class DecodeScope { HeaderOnly, Pixels };

struct TDecodedPicture {
    int Width = 0; // the picture as shown, after any turn the container asks for
    int Height = 0;
    BitmapPtr Bitmap; // Bgr24, only with DecodeScope::Pixels
    // The first bytes of the container's EXIF data, as stored; ExifBlockFromTiff reads them.
    std::vector<std::uint8_t> Exif;
};

// The EXIF reader looks at no more than this many bytes of TIFF data, so no more are kept (a
// few bytes above its window, for an "Exif", 00, 00 in front of them).
inline constexpr std::size_t KeptExifBytes = 4096 + 6;
void KeepExif(const std::uint8_t* data, std::size_t size, TDecodedPicture& picture);

// True for sides of at least 1 whose product stays within TBitmap::MaxPixels.
bool WithinPixelLimit(std::int64_t width, std::int64_t height);

// The whole file, read only when it is a regular file and not larger than any picture file
// could sensibly be (a container holding more than MaxPixels pixels' worth of bytes).
bool ReadPictureBytes(const std::string& path, std::string& bytes);

// A new Bgr24 bitmap from top-down rows of R, G, B (3 channels) or R, G, B, A (4 channels)
// bytes; alpha is composited onto white, from premultiplied or straight colours. nullptr when
// memory runs out.
BitmapPtr BitmapFromRgb(
    const std::uint8_t* pixels, int width, int height, std::size_t stride, int channels, bool premultiplied = false);

} // namespace korvo
