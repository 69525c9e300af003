#pragma once

// All pixel work of one album picture in one call: read the source, filter, correct and turn it
// as configured, fit the preview image and the thumbnail (with its bevelled edge) and encode
// both as JPEG files in memory. The outcome of every step comes back for the album run to log,
// with exactly the pixels and failures that LoadImage, MakeSizedImage and WriteJpegFile give.
//
// The call touches nothing but its arguments, so album runs call it on worker threads. A JPEG
// that needs no tonal correction and no turn is never held at full size: its rows go from the
// decoder through the median filter straight into the resampler. Everything else is held in
// the worker's own full-size buffer, which is reused from picture to picture.

#include "fileio/Failure.h"
#include "model/Bitmap.h"
#include "model/Configuration.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace korvo {

struct TAlbumPictureJob {
    std::string Source; // the picture file (".bmp" in any letter case as BMP, else JPEG)
    int Rotate = 0; // the image list's rotation: 1 clockwise, 2 half turn, 3 counter-clockwise
    bool MakeThumbnail = false;
    // Also each picture at twice its box for HiDPI screens, from the same decoded rows.
    bool MakeDouble = false;
};

// A preview image or thumbnail: how far it got, and the file.
struct TSizedPicture {
    bool Sized = false; // the fitted picture was made ("Fehler beim Berechnen" when not)
    bool Encoded = false; // and encoded ("Fehler beim Schreiben" when not)
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t> Jpeg; // the complete file when Encoded
    TFailure Failure; // why it was not sized or not encoded
};

struct TAlbumPictureResult {
    bool Loaded = false; // read and preprocessed ("Fehler beim Einlesen" when not)
    TFailure LoadFailure; // why it was not
    // Damage the JPEG decoder worked around in a picture that was loaded (Incomplete or
    // CorruptData); the picture is used all the same.
    FailureReason Damage = FailureReason::None;
    TSizedPicture Preview;
    TSizedPicture Thumbnail; // only when the job asks for it
    TSizedPicture Preview2x; // only with MakeDouble
    TSizedPicture Thumbnail2x; // only with MakeDouble and MakeThumbnail
};

// The buffers one worker keeps from picture to picture: at most one full-size picture, the
// two fitted pictures and a strip of rows. Pictures of the same size reuse their memory, so
// no full-size buffer is touched fresh (page by page) for each picture.
class TPictureWorkspace {
public:
    TPictureWorkspace();
    ~TPictureWorkspace();
    TPictureWorkspace(const TPictureWorkspace&) = delete;
    TPictureWorkspace& operator=(const TPictureWorkspace&) = delete;

    struct TBuffers;
    TBuffers& Buffers() { return *m_buffers; }

private:
    std::unique_ptr<TBuffers> m_buffers;
};

// Never throws: any failure inside, exhausted memory and unexpected exceptions included, ends
// as a failed step of this picture (a failure that cannot be placed counts as failed reading).
// `cancelled`, when given, is asked between strips of rows; once it says true the work stops
// and the result must not be used.
TAlbumPictureResult ProcessAlbumPicture(const TAlbumPictureJob& job, const Configuration& config,
    TPictureWorkspace& workspace, const std::function<bool()>& cancelled = {}) noexcept;

} // namespace korvo
