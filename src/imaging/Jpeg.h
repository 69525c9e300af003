#pragma once

// JPEG decoding and encoding. Decoding always yields a Bgr24 bitmap at full scale, whatever
// the file holds (colour, greyscale, CMYK or YCCK); encoding always writes a colour file. Every
// failure (unreadable file, corrupt data, a picture above TBitmap::MaxPixels, exhausted memory)
// gives nullptr or false and leaves nothing behind. Damage the library can work around (a
// truncated file, corrupt entropy data) is no failure: the picture comes back as decoded.

#include "fileio/Failure.h"
#include "fileio/FileStamp.h"
#include "model/Bitmap.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace korvo {

// Float: the floating-point inverse DCT with block smoothing, for album output and the
// preview. Fast: the fast integer inverse DCT, for reading pictures into the list.
enum class DctMethod { Float, Fast };

BitmapPtr DecodeJpegFile(const std::string& path, DctMethod method);
BitmapPtr DecodeJpegMemory(const std::uint8_t* data, std::size_t size, DctMethod method);
// The same into a bitmap the caller keeps for the next picture: its memory is reused when it is
// large enough. False on every failure (the bitmap's contents are then undefined).
bool DecodeJpegFileInto(const std::string& path, DctMethod method, TBitmap& target);

// Reads a JPEG picture row by row, top row first, for work that needs only a few rows at a
// time. It accepts and refuses exactly the files the decoders above do. At a reduced scale the
// library still reads every block of the picture's data, so damage that fails a full-size
// decode fails a reduced one too. Files are read through one open descriptor, and only regular
// files are read at all (a FIFO named like a picture would block forever).
class TJpegRowReader {
public:
    TJpegRowReader();
    ~TJpegRowReader();
    TJpegRowReader(const TJpegRowReader&) = delete;
    TJpegRowReader& operator=(const TJpegRowReader&) = delete;

    // Reads the header. False when the file cannot be read, is no JPEG, or is refused (a side of
    // 0, more than TBitmap::MaxPixels, a colour space without a conversion to 24 bits).
    bool OpenFile(const std::string& path);
    bool OpenMemory(const std::uint8_t* data, std::size_t size);

    // After a successful open: the picture's size and up to the first `FileStartSize` bytes of
    // the file (what the EXIF reader looks at), read on the way.
    int ImageWidth() const;
    int ImageHeight() const;
    static constexpr std::size_t FileStartSize = 4096;
    const std::vector<std::uint8_t>& FileStart() const;

    // Starts decoding at `eighths` / 8 of the full size (1 … 8), giving Width() × Height() rows
    // of Bgr24 pixels. False when the picture's data are refused.
    bool Start(DctMethod method, int eighths = 8);
    int Width() const;
    int Height() const;
    // The next row to come; Height() when all rows are in.
    int NextRow() const;

    // Decodes the next `count` rows (no more than are left) into `rows`, Width() × 3 bytes each.
    // False when the data fail; the rows are then undefined and the reader is done.
    bool ReadRows(std::uint8_t* const* rows, int count);

    // After a call returned false: why, from the open's errno or the library's verdict.
    const TFailure& Failure() const;
    // Damage the library worked around so far (a file cut short: Incomplete; corrupt data:
    // CorruptData), or None. A picture read to its last row with damage is still a picture.
    FailureReason Damage() const;

private:
    struct TState;
    std::unique_ptr<TState> m_state;
};

// Every row of an opened reader at full size into a new bitmap; nullptr when the data fail.
BitmapPtr DecodeJpegRows(TJpegRowReader& reader, DctMethod method);

// Reads only the header: the picture's size in pixels without decoding it.
bool ReadJpegSize(const std::string& path, int& width, int& height);
bool ReadJpegSizeMemory(const std::uint8_t* data, std::size_t size, int& width, int& height);

// Encodes with the library defaults, the floating-point DCT and the quality's baseline
// tables; progressive scans when asked. The bitmap is switched to Bgr24 first if needed.
// The file is written under a hidden name next to the target and renamed over it only when
// complete (TReplacingFile), so a failed write leaves any earlier file of that name untouched.
bool EncodeJpegFile(TBitmap& bitmap, const std::string& path, int quality, bool progressive);
// The same encoding into memory; `out` holds the complete file on success, nothing otherwise.
// With `fullChroma` the colour is kept at full resolution (no 2 × 2 subsampling). With
// `fewScans` a progressive file has four scans (the DC values, then each component's other
// coefficients whole) instead of the library's ten: about twice as fast to encode, nearly the
// same size, still shown coarse first while it loads.
bool EncodeJpegMemory(TBitmap& bitmap, int quality, bool progressive, std::vector<std::uint8_t>& out,
    bool fullChroma = false, bool fewScans = false);
// Writes an encoded file the way EncodeJpegFile does: under a temporary name, renamed over the
// target only when complete. False for no bytes. `written` receives the file's size and time.
bool WriteJpegBytes(const std::string& path, const std::vector<std::uint8_t>& bytes, FileStamp* written = nullptr);

} // namespace korvo
