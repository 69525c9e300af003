#pragma once

// Reads WebP files: lossy and lossless, an alpha channel composited onto white, an animated
// file as its first frame (on its canvas), and the EXIF data of the EXIF chunk. The size from
// the header (the canvas of an animation) is checked against TBitmap::MaxPixels before any
// pixel memory is taken. The only user of the WebP headers.

#include "imaging/DecodedPicture.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace korvo {

bool ReadWebpMemory(const std::uint8_t* data, std::size_t size, DecodeScope scope, TDecodedPicture& picture);
bool ReadWebpFile(const std::string& path, DecodeScope scope, TDecodedPicture& picture);

} // namespace korvo
