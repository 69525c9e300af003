#pragma once

// Image acquisition: one image file becomes an entry of the image list, with its pixel size,
// its 106 × 80 list picture, its capture date and camera model (from EXIF) and its file date.

#include "model/Bitmap.h"
#include "model/Datacore.h"
#include "model/DateTime.h"

#include <string>
#include <string_view>

namespace korvo {

inline constexpr int ListPictureWidth = 106;
inline constexpr int ListPictureHeight = 80;

// Appends a filled entry for the file at `path` (marked, active, in the viewed category when a
// real category is viewed) and returns true; false when nothing was appended. When
// `lastFileTypeUnknown` is given it receives whether the extension was none of ".jpg", ".jpeg"
// and ".bmp" (any letter case), which tells an unknown type from a file that failed to read.
bool AcquireImage(TImageManager& images, const std::string& path, bool* lastFileTypeUnknown = nullptr);

// A new white 106 × 80 picture with the given one fitted in without enlarging it, centred, by
// simple pixel selection. nullptr when memory runs out.
BitmapPtr MakeListPicture(TBitmap& bitmap);

// "YYYY:MM:DD HH:MM:SS" as a date and time; `fallback` when the text does not form one.
TDateTime ParseExifDateTime(std::string_view text, TDateTime fallback);

// The file's last-write time in local time, seconds cut to an even number (the two-second
// resolution of DOS file dates). False when the file cannot be examined.
bool ReadFileDate(const std::string& path, TDateTime& date);

// "JPEG", "BMP" or nothing, from the extension of the path's file name.
enum class ImageFileType { Unknown, Jpeg, Bmp };
ImageFileType FileTypeOf(std::string_view path);

} // namespace korvo
