#pragma once

// Image acquisition: one image file becomes an entry of the image list, with its pixel size,
// its 106 × 80 list picture, its capture date and camera model (from EXIF) and its file date.

#include "fileio/Failure.h"
#include "imaging/AcquireCache.h"
#include "model/Bitmap.h"
#include "model/Datacore.h"
#include "model/DateTime.h"
#include "model/OrderedWork.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvo {

inline constexpr int ListPictureWidth = 106;
inline constexpr int ListPictureHeight = 80;

// How much of a picture's pixels acquisition reads.
enum class AcquireMode {
    // The window: every block of picture data is read, at the smallest DCT scale that still
    // gives the list picture its full size, and the 106 × 80 list picture is made from it.
    ListPicture,
    // The header and EXIF data only: for korvo2-album, whose album run reads (and checks) every
    // picture anyway. The entry has no list picture, and damage behind the header shows only
    // when the picture is read in full.
    HeaderOnly,
};

struct TAcquireOptions {
    AcquireMode Mode = AcquireMode::ListPicture;
    TWorkOptions Work;
    // Adding files: the turn of a JPEG, PNG or WebP picture follows its EXIF orientation
    // (RotateFromExifOrientation); a HEIF picture comes turned by its container already.
    bool ExifRotation = false;
    // Where pictures read before are found again and new ones are kept; none when nullptr.
    IAcquireCache* Cache = nullptr;
    // Whether an entry taken from the cache holds its list picture. korvo2-album shows none, so
    // it skips decoding them; a picture read anew is still read in full (and its list picture
    // kept in the cache) in the ListPicture mode.
    bool ShowListPicture = true;
    // Shown, an entry taken from the cache keeps its list picture encoded and decodes it when it
    // is first drawn (the window draws only the rows on screen).
    bool DeferListPicture = false;
};

// Appends a filled entry for the file at `path` (marked, active, in the viewed category when a
// real category is viewed) and returns true; false when nothing was appended. When
// `lastFileTypeUnknown` is given it receives whether the extension was none of ImageFileKinds'
// (any letter case), which tells an unknown type from a file that failed to read.
bool AcquireImage(TImageManager& images, const std::string& path, bool* lastFileTypeUnknown = nullptr,
    AcquireMode mode = AcquireMode::ListPicture);

// The same in two steps, so that several files can be read at once: ReadImageFile touches
// nothing but the file (worker threads call it), AppendImage adds what it read to the list in
// the order the caller chooses. Together they do exactly what AcquireImage does.
struct TAcquiredImage {
    bool UnknownType = false; // the extension is none of the accepted ones; nothing was read
    bool Read = false; // the file was read and accepted
    TFailure Failure; // why it was not read
    // Damage the decoder worked around in a picture that was read (FailureReason::Incomplete or
    // CorruptData); such a picture is used, and its line in the log is followed by DamageLine.
    FailureReason Damage = FailureReason::None;
    BitmapPtr ListPicture;
    std::shared_ptr<TEncodedPicture> EncodedListPicture; // instead, with DeferListPicture
    std::string InfoText;
    TDateTime FileDate = 0;
    TDateTime ExifDate = 0;
    int ExifOrientation = 0; // the EXIF Orientation tag, 0 when it has none or it is HEIF's
    int Width = 0; // the picture's pixel size
    int Height = 0;
    // What InfoText and ExifDate are made of (FinishAcquiredImage), as the cache keeps them.
    std::string TypeWord;
    std::string ExifDateText;
    std::string Model;
    // A read through the cache (ReadThroughCache): taken from it, or read anew from a file of
    // this identity and encoded for it.
    bool FromCache = false;
    std::optional<FileIdentity> CacheIdentity;
    std::vector<std::uint8_t> CacheListPicture;
};
TAcquiredImage ReadImageFile(const std::string& path, AcquireMode mode) noexcept;
// Fills InfoText and ExifDate from the type word, size, model, EXIF date text and file date.
void FinishAcquiredImage(TAcquiredImage& acquired);
// Appends the entry (when `acquired.Read`) and returns whether it did.
bool AppendImage(TImageManager& images, const std::string& path, TAcquiredImage& acquired);

// An entry for a picture that cannot be read, so that the user's choices for it survive:
// marked and active like a read one, `Missing` set, no list picture and no dates, and as info
// text MissingInfoText of the path.
void AppendMissingImage(TImageManager& images, const std::string& path);
// "Datei fehlt" when nothing is at the path (a dangling link included), "Datei nicht lesbar"
// when something is there that cannot be read as a picture.
std::string MissingInfoText(const std::string& path);
// Gives an entry what was read from the file at `path` (which becomes its Source) and marks it;
// its category, active flag, rotation and description stay. False, changing nothing, when the
// file was not read.
bool RefillImage(TImageRecord& image, const std::string& path, TAcquiredImage& acquired);

// A new white 106 × 80 picture with the given one fitted in without enlarging it, centred, by
// simple pixel selection. nullptr when memory runs out.
BitmapPtr MakeListPicture(TBitmap& bitmap);
// The same for a picture of `fullWidth` × `fullHeight` pixels given reduced (by the decoder's
// DCT scaling) to `reduced`: the same size and place in the list picture, each pixel selected
// from the reduced picture at the same relative position.
BitmapPtr MakeListPicture(TBitmap& reduced, int fullWidth, int fullHeight);

// The list picture of a picture of `fullWidth` × `fullHeight` pixels as it looks turned by
// `rotate` (`TImageRecord::Rotate`): the picture part of the unturned list picture, turned and
// fitted anew into 106 × 80 as MakeListPicture fits it, so a turned portrait stands upright in the
// list. A copy for rotate 0; nullptr when memory runs out or the sizes do not belong together.
BitmapPtr MakeTurnedListPicture(const TBitmap& listPicture, int fullWidth, int fullHeight, int rotate);

// The turn (`TImageRecord::Rotate`) that shows a picture upright from its EXIF orientation:
// 3 gives 180°, 6 90° clockwise, 8 90° counter-clockwise. Mirrored orientations (2, 4, 5, 7)
// need a flip the list cannot express and, like anything else, give 0.
int RotateFromExifOrientation(int orientation);

// "YYYY:MM:DD HH:MM:SS" as a date and time; `fallback` when the text does not form one.
TDateTime ParseExifDateTime(std::string_view text, TDateTime fallback);

// The file's last-write time in local time, seconds cut to an even number (the two-second
// resolution of DOS file dates). False when the file cannot be examined.
bool ReadFileDate(const std::string& path, TDateTime& date);
// The same for a last-write time in seconds since 1970.
bool FileDateFromSeconds(std::int64_t seconds, TDateTime& date);

// The kind of picture file, from the extension of the path's file name (any letter case).
enum class ImageFileType { Unknown, Jpeg, Bmp, Heif, Png, Webp };
ImageFileType FileTypeOf(std::string_view path);

// The accepted picture files, one row per kind in the order the add-images dialog lists them:
// the name its filter shows and the extensions (lower case, dot included). The one list that
// acquisition, the command line's folders and the window's dialog go by.
struct TImageFileKind {
    ImageFileType Type;
    std::string_view FilterName;
    std::vector<std::string_view> Extensions;
};
const std::vector<TImageFileKind>& ImageFileKinds();
// "*.jpg;*.jpeg": the dialog's pattern of one kind; AllImageFilesPattern joins every kind's.
std::string ImageFilePattern(const TImageFileKind& kind);
std::string AllImageFilesPattern();

} // namespace korvo
