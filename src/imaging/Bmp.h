#pragma once

// Reads Windows bitmap files: uncompressed 1, 4, 8, 16, 24 and 32 bits per pixel, bottom-up
// and top-down, 8- and 4-bit run-length encoding, bit-field masks, with any header from the
// 12-byte core header to the 124-byte version 5 header. Palette pictures come back as Indexed8
// with their palette, 16 and 24 bits as Bgr24, 32 bits as Bgra32 (the fourth byte is not
// used). Every size and offset in the headers is checked against the data before it is used:
// a damaged or hostile file gives nullptr, never a huge allocation.

#include "model/Bitmap.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace korvo {

BitmapPtr ReadBmpFile(const std::string& path);
BitmapPtr ReadBmpMemory(const std::uint8_t* data, std::size_t size);

} // namespace korvo
