#include "imaging/Acquire.h"

#include "exif/EXIF.h"
#include "imaging/Bmp.h"
#include "imaging/Jpeg.h"
#include "model/TextRules.h"

#include <sys/stat.h>

#include <ctime>

namespace korvo {

ImageFileType FileTypeOf(std::string_view path)
{
    const auto slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return ImageFileType::Unknown;
    const std::string extension = ToLowerAscii(name.substr(dot));
    if (extension == ".jpg" || extension == ".jpeg")
        return ImageFileType::Jpeg;
    if (extension == ".bmp")
        return ImageFileType::Bmp;
    return ImageFileType::Unknown;
}

BitmapPtr MakeListPicture(TBitmap& bitmap)
{
    BitmapPtr picture = TBitmap::Create(ListPictureWidth, ListPictureHeight);
    if (!picture || !bitmap.SwitchTo24())
        return nullptr;
    picture->Fill(255, 255, 255);

    const std::int64_t w = bitmap.Width();
    const std::int64_t h = bitmap.Height();
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
    const std::int64_t left = (ListPictureWidth - fitW) / 2;
    const std::int64_t top = (ListPictureHeight - fitH) / 2;
    for (std::int64_t y = 0; y < fitH; ++y) {
        const std::uint8_t* source = bitmap.Row(static_cast<int>(y * h / fitH));
        std::uint8_t* target = picture->Row(static_cast<int>(top + y)) + 3 * left;
        for (std::int64_t x = 0; x < fitW; ++x) {
            const std::uint8_t* pixel = source + 3 * (x * w / fitW);
            target[3 * x + 0] = pixel[0];
            target[3 * x + 1] = pixel[1];
            target[3 * x + 2] = pixel[2];
        }
    }
    return picture;
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
    std::tm local {};
    const std::time_t seconds = status.st_mtime;
    if (!::localtime_r(&seconds, &local))
        return false;
    const DateTimeParts parts { local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
        local.tm_sec & ~1, 0 };
    return TryEncodeDateTime(parts, date);
}

bool AcquireImage(TImageManager& images, const std::string& path, bool* lastFileTypeUnknown)
{
    const ImageFileType type = FileTypeOf(path);
    if (lastFileTypeUnknown)
        *lastFileTypeUnknown = type == ImageFileType::Unknown;
    if (type == ImageFileType::Unknown)
        return false;

    BitmapPtr bitmap = type == ImageFileType::Jpeg ? DecodeJpegFile(path, DctMethod::Fast) : ReadBmpFile(path);
    if (!bitmap)
        return false;
    BitmapPtr listPicture = MakeListPicture(*bitmap);
    if (!listPicture)
        return false;

    std::string dateText;
    std::string model;
    if (type == ImageFileType::Jpeg) {
        try {
            ReadExifDate(path, dateText, model);
        } catch (const std::exception&) {
            dateText.clear();
            model.clear();
        }
    }

    TDateTime fileDate = 0;
    ReadFileDate(path, fileDate);

    TImageRecord& image = images.AddImage();
    image.ListPicture = std::move(listPicture);
    const auto slash = path.rfind('/');
    image.FileName = slash == std::string::npos ? path : path.substr(slash + 1);
    image.Source = path;
    image.InfoText = (type == ImageFileType::Jpeg ? "JPEG " : "BMP ") + IntToText(bitmap->Width()) + "x"
        + IntToText(bitmap->Height());
    if (!model.empty())
        image.InfoText += " (" + model + ")";
    image.Active = true;
    image.Marked = true;
    image.FileDate = fileDate;
    image.ExifDate = ParseExifDateTime(dateText, fileDate);
    image.DateText = FormatListDate(image.ExifDate);
    image.Category = images.ViewCategory() >= 1 ? images.ViewCategory() : 0;
    return true;
}

} // namespace korvo
