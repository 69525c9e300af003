#pragma once

// Reads HEIF files, HEIC (HEVC) and AVIF (AV1) alike: the primary picture with the container's
// own turn, mirror and crop applied (so its EXIF orientation must not be applied again), more
// than 8 bits per channel reduced to 8, an alpha channel composited onto white; an image
// sequence gives its still picture. The EXIF data come from the picture's Exif item. The size
// is checked against TBitmap::MaxPixels before anything is decoded. The only user of heif.h.

#include "imaging/DecodedPicture.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace korvo {

enum class HeifKind { Heic, Avif };

// `kind` receives what the file's brand says it holds, for the type word.
bool ReadHeifMemory(
    const std::uint8_t* data, std::size_t size, DecodeScope scope, TDecodedPicture& picture, HeifKind* kind = nullptr);
bool ReadHeifFile(const std::string& path, DecodeScope scope, TDecodedPicture& picture, HeifKind* kind = nullptr);

} // namespace korvo
