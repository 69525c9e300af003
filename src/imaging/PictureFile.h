#pragma once

// Reading a picture file by its type: the container formats (HEIF and AVIF, PNG, WebP) through
// their readers, every picture as the bitmap the pipeline loads, and the EXIF block of any kind
// of file for the details page.

#include "exif/EXIF.h"
#include "fileio/Failure.h"
#include "imaging/Acquire.h"
#include "imaging/DecodedPicture.h"
#include "imaging/Heif.h"
#include "model/Bitmap.h"

#include <optional>
#include <string>

namespace korvo {

// True for the types read by a container reader.
bool IsContainerType(ImageFileType type);

// A HEIF, PNG or WebP file; false for any other type. `kind` as ReadHeifFile gives it;
// `failure` receives why nothing was read.
bool ReadContainerPicture(const std::string& path, ImageFileType type, DecodeScope scope, TDecodedPicture& picture,
    HeifKind* kind = nullptr, TFailure* failure = nullptr);

// The picture as LoadImage reads it: a BMP file as read (palette pictures stay Indexed8), a
// container as its 24-bit picture, and anything else as JPEG (the floating-point DCT).
// `failure` receives why there is none, `damage` what a JPEG decoder worked around.
BitmapPtr ReadPictureBitmap(const std::string& path, TFailure* failure = nullptr, FailureReason* damage = nullptr);

// The EXIF block of a picture file: a JPEG's Exif segment (LoadExifBlock, whose exception it
// passes on), or the EXIF data of a container. None when there is none.
std::optional<ExifBlock> LoadPictureExif(const std::string& path);

} // namespace korvo
