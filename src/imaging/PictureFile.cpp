#include "imaging/PictureFile.h"

#include "fileio/OpenFile.h"
#include "imaging/Bmp.h"
#include "imaging/Jpeg.h"
#include "imaging/Png.h"
#include "imaging/Webp.h"

namespace korvo {

bool IsContainerType(ImageFileType type)
{
    return type == ImageFileType::Heif || type == ImageFileType::Png || type == ImageFileType::Webp;
}

namespace {

    // The name a kind's filter shows ("PNG"), for the reason of a file its decoder refused.
    std::string KindName(ImageFileType type)
    {
        for (const TImageFileKind& kind : ImageFileKinds())
            if (kind.Type == type)
                return std::string(kind.FilterName);
        return "Bild";
    }

    void SetFailure(TFailure* failure, TFailure why)
    {
        if (failure)
            *failure = std::move(why);
    }

    // The whole file, read once; a decoder then works on the bytes. Four bytes per pixel would
    // be more than any compressed picture needs; a BMP file is at most 4 GiB (32-bit offsets).
    bool ReadFileBytes(const std::string& path, ImageFileType type, std::string& bytes, TFailure* failure)
    {
        const std::size_t limit = type == ImageFileType::Bmp ? 0xFFFFFFFFull : 4 * TBitmap::MaxPixels;
        if (!ReadWholeFile(path, limit, bytes, failure))
            return false;
        if (bytes.empty()) {
            SetFailure(failure, { FailureReason::Empty, {} });
            return false;
        }
        return true;
    }

    const std::uint8_t* Data(const std::string& bytes) { return reinterpret_cast<const std::uint8_t*>(bytes.data()); }

} // namespace

bool ReadContainerPicture(const std::string& path, ImageFileType type, DecodeScope scope, TDecodedPicture& picture,
    HeifKind* kind, TFailure* failure)
{
    if (!IsContainerType(type)) {
        SetFailure(failure, { FailureReason::Unreadable, {} });
        return false;
    }
    std::string bytes;
    if (!ReadFileBytes(path, type, bytes, failure))
        return false;
    bool read = false;
    switch (type) {
    case ImageFileType::Heif:
        read = ReadHeifMemory(Data(bytes), bytes.size(), scope, picture, kind);
        break;
    case ImageFileType::Png:
        read = ReadPngMemory(Data(bytes), bytes.size(), scope, picture);
        break;
    default:
        read = ReadWebpMemory(Data(bytes), bytes.size(), scope, picture);
        break;
    }
    if (!read)
        SetFailure(failure, { FailureReason::Unreadable, KindName(type) });
    return read;
}

BitmapPtr ReadPictureBitmap(const std::string& path, TFailure* failure, FailureReason* damage)
{
    const ImageFileType type = FileTypeOf(path);
    if (type == ImageFileType::Bmp) {
        std::string bytes;
        if (!ReadFileBytes(path, type, bytes, failure))
            return nullptr;
        BitmapPtr bitmap = ReadBmpMemory(Data(bytes), bytes.size());
        if (!bitmap)
            SetFailure(failure, { FailureReason::Unreadable, KindName(type) });
        return bitmap;
    }
    if (!IsContainerType(type)) {
        TJpegRowReader reader;
        BitmapPtr bitmap = reader.OpenFile(path) ? DecodeJpegRows(reader, DctMethod::Float) : nullptr;
        if (!bitmap)
            SetFailure(failure, reader.Failure());
        if (damage)
            *damage = reader.Damage();
        return bitmap;
    }
    TDecodedPicture picture;
    if (!ReadContainerPicture(path, type, DecodeScope::Pixels, picture, nullptr, failure))
        return nullptr;
    return std::move(picture.Bitmap);
}

std::optional<ExifBlock> LoadPictureExif(const std::string& path)
{
    const ImageFileType type = FileTypeOf(path);
    if (!IsContainerType(type))
        return LoadExifBlock(path);
    TDecodedPicture picture;
    if (!ReadContainerPicture(path, type, DecodeScope::HeaderOnly, picture))
        return std::nullopt;
    return ExifBlockFromTiff(picture.Exif.data(), picture.Exif.size());
}

} // namespace korvo
