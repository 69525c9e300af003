#pragma once

// Photo-like test pictures for the benchmarks: sky with clouds, a ridge of hills, textured
// ground and sensor grain, different for every number but the same on every run and machine.

#include "model/Bitmap.h"

#include <cstdint>
#include <vector>

namespace korvo::bench {

// The picture of the given number; nullptr when memory runs out.
BitmapPtr MakePhoto(int number, int width, int height);

// An APP1 Exif segment (marker included) with camera make and model and a capture date, as a
// camera writes it right after the start of the file.
std::vector<std::uint8_t> MakeCameraExif(int number);

// Inserts a segment right behind the start marker of a JPEG file.
void InsertSegment(std::vector<std::uint8_t>& jpeg, const std::vector<std::uint8_t>& segment);

} // namespace korvo::bench
