#include "imaging/PictureFile.h"

#include "imaging/Bmp.h"
#include "imaging/Jpeg.h"
#include "imaging/Png.h"
#include "imaging/Webp.h"

namespace korvo {

bool IsContainerType(ImageFileType type)
{
    return type == ImageFileType::Heif || type == ImageFileType::Png || type == ImageFileType::Webp;
}

bool ReadContainerPicture(
    const std::string& path, ImageFileType type, DecodeScope scope, TDecodedPicture& picture, HeifKind* kind)
{
    switch (type) {
    case ImageFileType::Heif:
        return ReadHeifFile(path, scope, picture, kind);
    case ImageFileType::Png:
        return ReadPngFile(path, scope, picture);
    case ImageFileType::Webp:
        return ReadWebpFile(path, scope, picture);
    default:
        return false;
    }
}

BitmapPtr ReadPictureBitmap(const std::string& path)
{
    const ImageFileType type = FileTypeOf(path);
    if (type == ImageFileType::Bmp)
        return ReadBmpFile(path);
    if (!IsContainerType(type))
        return DecodeJpegFile(path, DctMethod::Float);
    TDecodedPicture picture;
    if (!ReadContainerPicture(path, type, DecodeScope::Pixels, picture))
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
