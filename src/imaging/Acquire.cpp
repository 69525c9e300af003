#include "imaging/Acquire.h"

#include "exif/EXIF.h"
#include "imaging/Bmp.h"
#include "imaging/Heif.h"
#include "imaging/Jpeg.h"
#include "imaging/PictureFile.h"
#include "imaging/RotateBMP.h"
#include "model/TextRules.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <ctime>

namespace korvo {

const std::vector<TImageFileKind>& ImageFileKinds()
{
    static const std::vector<TImageFileKind> kinds {
        { ImageFileType::Jpeg, "JPEG", { ".jpg", ".jpeg" } },
        { ImageFileType::Bmp, "BMP", { ".bmp" } },
        { ImageFileType::Heif, "HEIC/AVIF", { ".heic", ".heif", ".avif" } },
        { ImageFileType::Png, "PNG", { ".png" } },
        { ImageFileType::Webp, "WebP", { ".webp" } },
    };
    return kinds;
}

std::string ImageFilePattern(const TImageFileKind& kind)
{
    std::string pattern;
    for (const std::string_view extension : kind.Extensions)
        pattern += (pattern.empty() ? "*" : ";*") + std::string(extension);
    return pattern;
}

std::string AllImageFilesPattern()
{
    std::string pattern;
    for (const TImageFileKind& kind : ImageFileKinds())
        pattern += (pattern.empty() ? "" : ";") + ImageFilePattern(kind);
    return pattern;
}

ImageFileType FileTypeOf(std::string_view path)
{
    const auto slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return ImageFileType::Unknown;
    const std::string extension = ToLowerAscii(name.substr(dot));
    for (const TImageFileKind& kind : ImageFileKinds())
        for (const std::string_view accepted : kind.Extensions)
            if (extension == accepted)
                return kind.Type;
    return ImageFileType::Unknown;
}

namespace {

    struct TListFit {
        int Width = 0;
        int Height = 0;
    };

    // The picture's size in the list picture: fitted without enlarging, remainders dropped.
    TListFit ListFit(std::int64_t w, std::int64_t h)
    {
        std::int64_t fitW = w;
        std::int64_t fitH = h;
        if (w > ListPictureWidth) {
            fitW = ListPictureWidth;
            fitH = h * ListPictureWidth / w;
        }
        if (fitH > ListPictureHeight) {
            fitH = ListPictureHeight;
            fitW = w * ListPictureHeight / h;
        }
        return { static_cast<int>(fitW), static_cast<int>(fitH) };
    }

} // namespace

BitmapPtr MakeListPicture(TBitmap& bitmap) { return MakeListPicture(bitmap, bitmap.Width(), bitmap.Height()); }

BitmapPtr MakeListPicture(TBitmap& reduced, int fullWidth, int fullHeight)
{
    BitmapPtr picture = TBitmap::Create(ListPictureWidth, ListPictureHeight);
    if (!picture || !reduced.SwitchTo24())
        return nullptr;
    picture->Fill(255, 255, 255);

    const TListFit fit = ListFit(fullWidth, fullHeight);
    const std::int64_t w = reduced.Width();
    const std::int64_t h = reduced.Height();
    const std::int64_t left = (ListPictureWidth - fit.Width) / 2;
    const std::int64_t top = (ListPictureHeight - fit.Height) / 2;
    for (std::int64_t y = 0; y < fit.Height; ++y) {
        const std::uint8_t* source = reduced.Row(static_cast<int>(y * h / fit.Height));
        std::uint8_t* target = picture->Row(static_cast<int>(top + y)) + 3 * left;
        for (std::int64_t x = 0; x < fit.Width; ++x) {
            const std::uint8_t* pixel = source + 3 * (x * w / fit.Width);
            target[3 * x + 0] = pixel[0];
            target[3 * x + 1] = pixel[1];
            target[3 * x + 2] = pixel[2];
        }
    }
    return picture;
}

BitmapPtr MakeTurnedListPicture(const TBitmap& listPicture, int fullWidth, int fullHeight, int rotate)
{
    if (fullWidth <= 0 || fullHeight <= 0 || listPicture.Width() != ListPictureWidth
        || listPicture.Height() != ListPictureHeight || listPicture.Format() != PixelFormat::Bgr24)
        return nullptr;
    // The picture part, where MakeListPicture put it.
    const TListFit fit = ListFit(fullWidth, fullHeight);
    if (fit.Width <= 0 || fit.Height <= 0)
        return nullptr;
    BitmapPtr part = TBitmap::Create(fit.Width, fit.Height);
    if (!part)
        return nullptr;
    const int left = (ListPictureWidth - fit.Width) / 2;
    const int top = (ListPictureHeight - fit.Height) / 2;
    for (int y = 0; y < fit.Height; ++y)
        std::copy_n(listPicture.Row(top + y) + 3 * left, 3 * fit.Width, part->Row(y));

    BitmapPtr turned;
    switch (rotate & 3) {
    case 1:
        turned = RotateClockwise(*part);
        break;
    case 2:
        turned = RotateHalfTurn(*part);
        break;
    case 3:
        turned = RotateCounterClockwise(*part);
        break;
    default:
        turned = std::move(part);
        break;
    }
    if (!turned)
        return nullptr;
    const bool quarter = (rotate & 1) != 0;
    return MakeListPicture(*turned, quarter ? fullHeight : fullWidth, quarter ? fullWidth : fullHeight);
}

int RotateFromExifOrientation(int orientation)
{
    switch (orientation) {
    case 3:
        return 2;
    case 6:
        return 1;
    case 8:
        return 3;
    default:
        return 0;
    }
}

TDateTime ParseExifDateTime(std::string_view text, TDateTime fallback)
{
    // 1-based positions 1…4 year, 6…7 month, 9…10 day, 12…13 hour, 15…16 minute, 18…19 second;
    // the separators between them are not looked at.
    if (text.size() < 19)
        return fallback;
    int values[6];
    const std::size_t starts[6] = { 0, 5, 8, 11, 14, 17 };
    const std::size_t lengths[6] = { 4, 2, 2, 2, 2, 2 };
    for (int i = 0; i < 6; ++i) {
        const auto value = ParseWholeNumber(text.substr(starts[i], lengths[i]));
        if (!value || *value < 0 || *value > 9999)
            return fallback;
        values[i] = static_cast<int>(*value);
    }
    TDateTime result = fallback;
    if (!TryEncodeDateTime({ values[0], values[1], values[2], values[3], values[4], values[5], 0 }, result))
        return fallback;
    return result;
}

bool ReadFileDate(const std::string& path, TDateTime& date)
{
    struct stat status { };
    if (::stat(path.c_str(), &status) != 0)
        return false;
    return FileDateFromSeconds(status.st_mtime, date);
}

bool FileDateFromSeconds(std::int64_t value, TDateTime& date)
{
    std::tm local {};
    const std::time_t seconds = static_cast<std::time_t>(value);
    if (!::localtime_r(&seconds, &local))
        return false;
    const DateTimeParts parts { local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
        local.tm_sec & ~1, 0 };
    return TryEncodeDateTime(parts, date);
}

namespace {

    // libjpeg's size of a side at `eighths` / 8 of the full size.
    std::int64_t ScaledSide(std::int64_t side, int eighths) { return (side * eighths + 7) / 8; }

    // Reads every row of a started reader into `picture`: the picture data are read to the
    // end, which is what tells a damaged file from a sound one.
    bool ReadAllRows(TJpegRowReader& reader, TBitmap& picture)
    {
        constexpr int Strip = 16;
        std::uint8_t* rows[Strip];
        while (reader.NextRow() < reader.Height()) {
            const int count = std::min(Strip, reader.Height() - reader.NextRow());
            for (int i = 0; i < count; ++i)
                rows[i] = picture.Row(reader.NextRow() + i);
            if (!reader.ReadRows(rows, count))
                return false;
        }
        return true;
    }

    // A JPEG file: size and EXIF from one read of the header, then (unless only the header is
    // wanted) the whole picture data at reduced scale.
    bool ReadJpeg(const std::string& path, AcquireMode mode, TAcquiredImage& out, int& width, int& height,
        std::string& dateText, std::string& model)
    {
        TJpegRowReader reader;
        if (!reader.OpenFile(path)) {
            out.Failure = reader.Failure();
            return false;
        }
        width = reader.ImageWidth();
        height = reader.ImageHeight();
        try {
            const std::vector<std::uint8_t>& start = reader.FileStart();
            if (auto block = ExifBlockFromBytes(start.data(), start.size())) {
                ReadExifDate(*block, dateText, model);
                out.ExifOrientation = ReadExifOrientation(*block);
            }
        } catch (const std::exception&) {
            // EXIF trouble never fails the file: no date, no model.
            dateText.clear();
            model.clear();
        }
        if (mode == AcquireMode::HeaderOnly) {
            out.Damage = reader.Damage();
            return true;
        }

        // The smallest scale whose picture still has a pixel for every pixel of the list picture.
        const TListFit fit = ListFit(width, height);
        int eighths = 1;
        while (eighths < 8 && (ScaledSide(width, eighths) < fit.Width || ScaledSide(height, eighths) < fit.Height))
            ++eighths;
        BitmapPtr reduced;
        if (!reader.Start(DctMethod::Fast, eighths) || !(reduced = TBitmap::Create(reader.Width(), reader.Height()))
            || !ReadAllRows(reader, *reduced)) {
            out.Failure = reader.Failure() ? reader.Failure() : TFailure { FailureReason::OutOfMemory, {} };
            return false;
        }
        out.Damage = reader.Damage();
        out.ListPicture = MakeListPicture(*reduced, width, height);
        return out.ListPicture != nullptr;
    }

    // A HEIF, PNG or WebP file: the whole picture (unless only the header is wanted) and the
    // EXIF data its container keeps beside it.
    bool ReadContainer(const std::string& path, ImageFileType type, AcquireMode mode, TAcquiredImage& out,
        std::string& typeWord, std::string& dateText, std::string& model)
    {
        TDecodedPicture picture;
        HeifKind kind = HeifKind::Heic;
        const DecodeScope scope = mode == AcquireMode::HeaderOnly ? DecodeScope::HeaderOnly : DecodeScope::Pixels;
        if (!ReadContainerPicture(path, type, scope, picture, &kind, &out.Failure))
            return false;
        typeWord = type == ImageFileType::Png ? "PNG "
            : type == ImageFileType::Webp     ? "WebP "
            : kind == HeifKind::Avif          ? "AVIF "
                                              : "HEIC ";
        out.Width = picture.Width;
        out.Height = picture.Height;
        if (auto block = ExifBlockFromTiff(picture.Exif.data(), picture.Exif.size())) {
            ReadExifDate(*block, dateText, model);
            // A HEIF picture is decoded turned as its container says; its EXIF orientation
            // describes the same turn and must not be applied a second time.
            if (type != ImageFileType::Heif)
                out.ExifOrientation = ReadExifOrientation(*block);
        }
        if (mode == AcquireMode::HeaderOnly)
            return true;
        out.ListPicture = MakeListPicture(*picture.Bitmap);
        return out.ListPicture != nullptr;
    }

} // namespace

TAcquiredImage ReadImageFile(const std::string& path, AcquireMode mode) noexcept
{
    TAcquiredImage out;
    try {
        const ImageFileType type = FileTypeOf(path);
        if (type == ImageFileType::Unknown) {
            out.UnknownType = true;
            return out;
        }
        int width = 0;
        int height = 0;
        std::string dateText;
        std::string model;
        std::string typeWord;
        // A file that failed keeps nothing of what was read on the way, only why it failed.
        auto failed = [&out] {
            TAcquiredImage failure;
            failure.Failure = out.Failure ? std::move(out.Failure) : TFailure { FailureReason::OutOfMemory, {} };
            return failure;
        };
        if (type == ImageFileType::Jpeg) {
            if (!ReadJpeg(path, mode, out, width, height, dateText, model))
                return failed();
            typeWord = "JPEG ";
        } else if (type == ImageFileType::Bmp) {
            BitmapPtr bitmap = ReadPictureBitmap(path, &out.Failure);
            if (!bitmap)
                return failed();
            width = bitmap->Width();
            height = bitmap->Height();
            if (mode == AcquireMode::ListPicture && !(out.ListPicture = MakeListPicture(*bitmap)))
                return failed();
            typeWord = "BMP ";
        } else {
            if (!ReadContainer(path, type, mode, out, typeWord, dateText, model))
                return failed();
            width = out.Width;
            height = out.Height;
        }
        ReadFileDate(path, out.FileDate);
        out.Width = width;
        out.Height = height;
        out.TypeWord = std::move(typeWord);
        out.ExifDateText = std::move(dateText);
        out.Model = std::move(model);
        FinishAcquiredImage(out);
        out.Read = true;
    } catch (const std::bad_alloc&) {
        out = TAcquiredImage {};
        out.Failure = { FailureReason::OutOfMemory, {} };
    } catch (...) {
        // Anything unforeseen: this file failed to read.
        out = TAcquiredImage {};
        out.Failure = { FailureReason::Unknown, {} };
    }
    return out;
}

void FinishAcquiredImage(TAcquiredImage& acquired)
{
    acquired.InfoText = acquired.TypeWord + IntToText(acquired.Width) + "x" + IntToText(acquired.Height);
    if (!acquired.Model.empty())
        acquired.InfoText += " (" + acquired.Model + ")";
    acquired.ExifDate = ParseExifDateTime(acquired.ExifDateText, acquired.FileDate);
}

namespace {

    std::string FileNameOf(const std::string& path)
    {
        const auto slash = path.rfind('/');
        return slash == std::string::npos ? path : path.substr(slash + 1);
    }

} // namespace

bool AppendImage(TImageManager& images, const std::string& path, TAcquiredImage& acquired)
{
    if (!acquired.Read)
        return false;
    // The entry is filled before it joins the list, so that running out of memory leaves the
    // list as it was instead of holding a half-filled entry.
    TImageRecord image;
    image.Active = true;
    image.Category = images.ViewCategory() >= 1 ? images.ViewCategory() : 0;
    RefillImage(image, path, acquired);
    images.AddImage() = std::move(image);
    return true;
}

std::string MissingInfoText(const std::string& path)
{
    struct stat status { };
    return ::stat(path.c_str(), &status) != 0 && (errno == ENOENT || errno == ENOTDIR) ? "Datei fehlt"
                                                                                       : "Datei nicht lesbar";
}

void AppendMissingImage(TImageManager& images, const std::string& path)
{
    std::string fileName = FileNameOf(path);
    std::string source = path;
    std::string infoText = MissingInfoText(path);
    TImageRecord& image = images.AddImage();
    image.FileName = std::move(fileName);
    image.Source = std::move(source);
    image.InfoText = std::move(infoText);
    image.Active = true;
    image.Marked = true;
    image.Missing = true;
    image.Category = images.ViewCategory() >= 1 ? images.ViewCategory() : 0;
}

bool RefillImage(TImageRecord& image, const std::string& path, TAcquiredImage& acquired)
{
    if (!acquired.Read)
        return false;
    std::string fileName = FileNameOf(path);
    std::string source = path;
    std::string dateText = FormatListDate(acquired.ExifDate);
    image.ListPicture = std::move(acquired.ListPicture);
    image.EncodedListPicture = std::move(acquired.EncodedListPicture);
    image.FileName = std::move(fileName);
    image.Source = std::move(source);
    image.InfoText = std::move(acquired.InfoText);
    image.Width = acquired.Width;
    image.Height = acquired.Height;
    image.Marked = true;
    image.Missing = false;
    image.FileDate = acquired.FileDate;
    image.ExifDate = acquired.ExifDate;
    image.DateText = std::move(dateText);
    return true;
}

bool AcquireImage(TImageManager& images, const std::string& path, bool* lastFileTypeUnknown, AcquireMode mode)
{
    TAcquiredImage acquired = ReadImageFile(path, mode);
    if (lastFileTypeUnknown)
        *lastFileTypeUnknown = acquired.UnknownType;
    return AppendImage(images, path, acquired);
}

} // namespace korvo
