#pragma once

// HEIC, AVIF, PNG and WebP pictures made in code through the libraries' encoders, so no binary
// test files are checked in. The pixels are MakeTestBitmap's (grey: its green channel).

#include <cstdint>
#include <string>
#include <vector>

namespace korvo::testing {

enum class ContainerKind { Heic, Avif, Png, Webp };

struct ContainerRecipe {
    ContainerKind Kind = ContainerKind::Png;
    int Width = 64;
    int Height = 48;
    bool Alpha = false; // the left half fully transparent, the rest opaque
    bool Grey = false;
    bool Deep = false; // 16 bits per channel (PNG), 10 bits (HEIC; this AV1 encoder asserts on them)
    bool Palette = false; // PNG only
    bool Animated = false; // WebP only: the test picture, then a black frame
    int Orientation = 1; // HEIC and AVIF: the container's own turn, as an EXIF orientation
    std::vector<std::uint8_t> Exif {}; // TIFF data for the container's EXIF item or chunk
};

// The file's bytes; empty when this machine's library cannot encode the kind (HEIC needs x265).
std::vector<std::uint8_t> MakeContainerPicture(const ContainerRecipe& recipe);

// The same file with its header claiming `width` × `height` pixels, everything else intact (a
// PNG's header checksum made to fit; for WebP the canvas of a VP8X file, at most 2^24 a side).
std::vector<std::uint8_t> ClaimingSize(
    ContainerKind kind, std::vector<std::uint8_t> file, std::uint32_t width, std::uint32_t height);

// The extension that belongs to the kind, dot included.
std::string ContainerExtension(ContainerKind kind);

// The TIFF data inside an APP1 segment made by MakeExifSegment.
std::vector<std::uint8_t> TiffOfSegment(const std::vector<std::uint8_t>& segment);

} // namespace korvo::testing
