#include "support/TestPictures.h"

#include "imaging/Jpeg.h"
#include "support/ExifBuilder.h"
#include "support/TestImages.h"

#include <algorithm>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>

namespace korvo::testing {

BitmapPtr MakeTestBitmap(int width, int height)
{
    BitmapPtr bitmap = TBitmap::Create(width, height);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = bitmap->Row(y);
        for (int x = 0; x < width; ++x) {
            const bool line = width > 0 && height > 0 && (x * height / width == y);
            row[3 * x + 0] = static_cast<std::uint8_t>(line ? 0 : 255 * x / (width > 1 ? width - 1 : 1));
            row[3 * x + 1] = static_cast<std::uint8_t>(line ? 0 : 255 * y / (height > 1 ? height - 1 : 1));
            row[3 * x + 2] = static_cast<std::uint8_t>(line ? 255 : 128);
        }
    }
    return bitmap;
}

namespace {

    TExifFile LittleEndian() { return TExifFile(ExifByteOrder::LittleEndian); }

    // Numbers are stored little-endian by the entry makers and swapped when the file is big-endian.
    std::vector<std::uint8_t> InOrder(const ExifTestEntry& entry, bool bigEndian)
    {
        if (!bigEndian)
            return entry.Value;
        int itemSize = 1;
        if (entry.Type == 3)
            itemSize = 2;
        else if (entry.Type == 4 || entry.Type == 5 || entry.Type == 9 || entry.Type == 10)
            itemSize = 4;
        std::vector<std::uint8_t> swapped = entry.Value;
        for (std::size_t i = 0; i + itemSize <= swapped.size(); i += itemSize)
            std::reverse(swapped.begin() + i, swapped.begin() + i + itemSize);
        return swapped;
    }

} // namespace

ExifTestEntry AsciiEntry(std::uint16_t tag, const std::string& text)
{
    return { tag, 2, static_cast<std::uint32_t>(text.size() + 1), TExifFile::Ascii(text) };
}

ExifTestEntry ShortEntry(std::uint16_t tag, std::uint16_t value) { return { tag, 3, 1, LittleEndian().Short(value) }; }

ExifTestEntry LongEntry(std::uint16_t tag, std::uint32_t value) { return { tag, 4, 1, LittleEndian().Long(value) }; }

ExifTestEntry RationalEntry(std::uint16_t tag, std::uint32_t numerator, std::uint32_t denominator)
{
    return { tag, 5, 1, LittleEndian().Rational(numerator, denominator) };
}

std::vector<std::uint8_t> MakeExifSegment(
    bool bigEndian, const std::vector<ExifTestEntry>& ifd0, const std::vector<ExifTestEntry>& exif)
{
    TExifFile file(bigEndian ? ExifByteOrder::BigEndian : ExifByteOrder::LittleEndian);
    for (const ExifTestEntry& entry : ifd0)
        file.Ifd0(entry.Tag, entry.Type, entry.Count, InOrder(entry, bigEndian));
    if (!exif.empty()) {
        file.ExifPointer();
        for (const ExifTestEntry& entry : exif)
            file.Exif(entry.Tag, entry.Type, entry.Count, InOrder(entry, bigEndian));
    }
    // The segment alone, without the start-of-image marker in front of it.
    const std::vector<std::uint8_t> start = file.Build();
    return std::vector<std::uint8_t>(start.begin() + 2, start.end());
}

std::vector<std::uint8_t> MakeJpeg(int width, int height, const std::vector<std::uint8_t>& segment)
{
    BitmapPtr bitmap = MakeTestBitmap(width, height);
    std::vector<std::uint8_t> jpeg;
    EncodeJpegMemory(*bitmap, 90, false, jpeg);
    if (!segment.empty() && jpeg.size() > 2)
        jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
    return jpeg;
}

std::vector<std::uint8_t> MakeBmp(int width, int height)
{
    BitmapPtr bitmap = MakeTestBitmap(width, height);
    TBmpPlan plan;
    plan.Width = width;
    plan.Height = height;
    plan.Rows.resize(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = bitmap->Row(y);
        for (int x = 0; x < width; ++x)
            plan.Rows[static_cast<std::size_t>(y)].push_back(
                row[3 * x] | std::uint32_t { row[3 * x + 1] } << 8 | std::uint32_t { row[3 * x + 2] } << 16);
    }
    return BuildBmp(plan);
}

void WriteOldFile(const std::string& path, const std::vector<std::uint8_t>& bytes, std::int64_t seconds)
{
    WriteBytes(path + ".neu", bytes);
    std::rename((path + ".neu").c_str(), path.c_str());
    const struct timespec times[2] = { { seconds, 0 }, { seconds, 0 } };
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

PictureBounds PictureBox(const TBitmap& list)
{
    PictureBounds box;
    for (int y = 0; y < list.Height(); ++y)
        for (int x = 0; x < list.Width(); ++x) {
            const std::uint8_t* p = list.Row(y) + 3 * x;
            if (p[0] == 255 && p[1] == 255 && p[2] == 255)
                continue;
            box.Left = std::min(box.Left, x);
            box.Top = std::min(box.Top, y);
            box.Right = std::max(box.Right, x + 1);
            box.Bottom = std::max(box.Bottom, y + 1);
        }
    return box;
}

} // namespace korvo::testing
