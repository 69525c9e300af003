#pragma once

// JPEG files of the kinds cameras and other programs write but the album's encoder never does
// (arithmetic coding, restart markers, progressive scans in any colour space), and byte-level
// edits of a finished file: its size in the frame header, its sample precision, where its
// segments start.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace korvo::testing {

struct JpegVariant {
    bool Progressive = false;
    bool Arithmetic = false;
    int RestartRows = 0; // a restart marker every so many MCU rows; 0 for none
    int Components = 3; // 1 greyscale, 3 colour (YCbCr), 4 CMYK (Adobe, inverted)
    bool FullChroma = false; // colour at full resolution instead of halved in both directions
};

// The test picture of MakeTestBitmap encoded as asked.
std::vector<std::uint8_t> EncodeJpegVariant(int width, int height, const JpegVariant& variant);

// The position of the first marker FF `code` at a segment boundary (the entropy-coded data of
// the scans is skipped over), or none.
std::optional<std::size_t> FindJpegMarker(const std::vector<std::uint8_t>& file, std::uint8_t code);
// The position just past the first scan header (SOS segment): where the entropy-coded data
// begins.
std::size_t FirstScanDataStart(const std::vector<std::uint8_t>& file);

// Writes width and height into the frame header (SOF0, SOF1, SOF2 or SOF9 … SOF10).
void SetJpegSize(std::vector<std::uint8_t>& file, int width, int height);
// Writes the sample precision (normally 8) into the frame header.
void SetJpegPrecision(std::vector<std::uint8_t>& file, int bits);

} // namespace korvo::testing
