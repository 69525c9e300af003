#pragma once

// Per-image processing: from an entry of the image list to the bitmaps and JPEG files of the
// album. LoadImage reads, filters, corrects and rotates; MakeSizedImage fits the result into
// the box of a preview image or a thumbnail (with the bevelled edge for thumbnails);
// WriteJpegFile and JpegRoundTrip encode it. Failures free what was made and come back as
// nullptr or false; the caller reports them.

#include "model/Bitmap.h"
#include "model/Configuration.h"
#include "model/Datacore.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace korvo {

enum class OutputImageKind { PreviewImage, ThumbnailImage };

// The settings group of a kind: Configuration.PreviewImages or Configuration.ThumbnailImages.
const TImageGroupSettings& GroupFor(OutputImageKind kind, const Configuration& config);

// Reads image.Source (".bmp" in any letter case as BMP, everything else as JPEG with the
// floating-point DCT), applies the median filter and the tonal correction as configured and
// turns the picture by image.Rotate. A new bitmap, or nullptr when anything fails.
BitmapPtr LoadImage(const TImageRecord& image, const Configuration& config);

// A new Bgr24 bitmap of the picture fitted into the kind's box without enlarging it; for
// thumbnails with the bevelled edge when FrameSize is at least 1. nullptr when `bitmap` is
// null, when a side of the fitted size is 0, or when scaling fails.
BitmapPtr MakeSizedImage(const TImageRecord& image, TBitmap* bitmap, OutputImageKind kind, const Configuration& config);

// Encodes with the kind's quality and progressive setting and replaces the file at `path`.
// True when the file is complete.
bool WriteJpegFile(TBitmap* bitmap, const std::string& path, OutputImageKind kind, const Configuration& config);

// The same encoding into memory, decoded again: the picture as the album will show it, and
// in `encodedBytes` the size of the file it would be (0 on failure).
BitmapPtr JpegRoundTrip(TBitmap* bitmap, OutputImageKind kind, const Configuration& config, std::size_t& encodedBytes);

// A horizontal three-tap median per channel; the first and last column stay as they are.
void ApplyMedianFilter(TBitmap& bitmap);
// The same for one row of Bgr24 pixels, from `in` into `out` (which must not overlap).
void MedianFilterRow(const std::uint8_t* in, std::uint8_t* out, int width);

// The size MakeSizedImage gives a w × h picture in the kind's box: fitted without enlarging,
// divisions dropping the remainder. A side may come out 0 (a picture many times wider than
// high, or the converse). With `scale` 2 the box is twice as wide and high (the picture for
// HiDPI screens), still never larger than the picture itself.
struct TPictureSize {
    int Width = 0;
    int Height = 0;
};
TPictureSize FittedSize(int width, int height, const TImageGroupSettings& group, int scale = 1);

// A raised edge `edgeWidth` pixels wide in the outer rings: lighter at the top and left,
// darker at the bottom and right. No change when the width does not fit the picture.
void AddBevelFrame(TBitmap& bitmap, int edgeWidth);

// The number's decimal digits, padded with zeros on the left to at least `digits`.
std::string NumberText(int number, int digits);

// The template with its first "%", "?" or "*" replaced by NumberText (appended when there
// is none); later placeholders stay as "%". The result is one file name (see SafeFileName).
std::string BuildFileName(int number, std::string_view nameTemplate, int digits);

// The name of a picture's HiDPI twin: "image001.jpg" gives "image001@2x.jpg".
std::string DoubledFileName(std::string_view name);

// A name from the settings as one file name inside the album's folder: every "/" and NUL byte
// becomes "_", so that no template, however hostile, can reach into another folder.
std::string SafeFileName(std::string_view name);

// Whether a name can be an own picture folder: a single folder level below the album's folder,
// so not empty, not "." or "..", and without "/" or NUL bytes.
bool IsOwnFolderName(std::string_view name);

} // namespace korvo
