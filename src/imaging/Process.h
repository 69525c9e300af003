#pragma once

// Per-image processing: from an entry of the image list to the bitmaps and JPEG files of the
// album. LoadImage reads, filters, corrects and rotates; MakeSizedImage fits the result into
// the box of a preview image or a thumbnail (with the bevelled edge for thumbnails);
// WriteJpegFile and JpegRoundTrip encode it. Failures free what was made and come back as
// nullptr or false; the caller reports them. The names of the files are in OutputNames.h.

#include "model/Bitmap.h"
#include "model/Configuration.h"
#include "model/Datacore.h"

#include <cstddef>
#include <cstdint>
#include <string>

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

// The size MakeSizedImage gives a w × h picture in the kind's box: fitted without enlarging,
// divisions dropping the remainder. A side may come out 0 (a picture many times wider than
// high, or the converse). With `scale` 2 the box is twice as wide and high (the picture for
// HiDPI screens), still never larger than the picture itself.
struct TPictureSize {
    int Width = 0;
    int Height = 0;
};
TPictureSize FittedSize(int width, int height, const TImageGroupSettings& group, int scale = 1);

} // namespace korvo
