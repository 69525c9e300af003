#pragma once

// Reads PNG files: every bit depth and colour type (grey, palette, 16 bits per channel), an
// alpha channel or transparent colour composited onto white, and the EXIF data of the eXIf
// chunk. An animated file gives its default picture. The size in the header is checked against
// TBitmap::MaxPixels before any pixel memory is taken. The only user of png.h.

#include "imaging/DecodedPicture.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace korvo {

bool ReadPngMemory(const std::uint8_t* data, std::size_t size, DecodeScope scope, TDecodedPicture& picture);
bool ReadPngFile(const std::string& path, DecodeScope scope, TDecodedPicture& picture);

} // namespace korvo
