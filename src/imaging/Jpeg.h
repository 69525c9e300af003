#pragma once

// JPEG decoding and encoding. Decoding always yields a Bgr24 bitmap at full scale, whatever
// the file holds (colour, greyscale, CMYK or YCCK); encoding always writes a colour file. Every
// failure (unreadable file, corrupt data, a picture above TBitmap::MaxPixels, exhausted memory)
// gives nullptr or false and leaves nothing behind. Damage the library can work around (a
// truncated file, corrupt entropy data) is no failure: the picture comes back as decoded.

#include "model/Bitmap.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace korvo {

// Float: the floating-point inverse DCT with block smoothing, for album output and the
// preview. Fast: the fast integer inverse DCT, for reading pictures into the list.
enum class DctMethod { Float, Fast };

BitmapPtr DecodeJpegFile(const std::string& path, DctMethod method);
BitmapPtr DecodeJpegMemory(const std::uint8_t* data, std::size_t size, DctMethod method);

// Reads only the header: the picture's size in pixels without decoding it.
bool ReadJpegSize(const std::string& path, int& width, int& height);
bool ReadJpegSizeMemory(const std::uint8_t* data, std::size_t size, int& width, int& height);

// Encodes with the library defaults, the floating-point DCT and the quality's baseline
// tables; progressive scans when asked. The bitmap is switched to Bgr24 first if needed.
// The file is written under a hidden name next to the target and renamed over it only when
// complete (TReplacingFile), so a failed write leaves any earlier file of that name untouched.
bool EncodeJpegFile(TBitmap& bitmap, const std::string& path, int quality, bool progressive);
// The same encoding into memory; `out` holds the complete file on success, nothing otherwise.
bool EncodeJpegMemory(TBitmap& bitmap, int quality, bool progressive, std::vector<std::uint8_t>& out);

} // namespace korvo
