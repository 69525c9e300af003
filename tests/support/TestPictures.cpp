#include "support/TestPictures.h"

#include "imaging/Jpeg.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

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

    // push_back rather than insert of a brace list, which GCC 12 misreads as an overflow.
    void Append(std::vector<std::uint8_t>& bytes, std::initializer_list<std::uint8_t> more)
    {
        for (std::uint8_t b : more)
            bytes.push_back(b);
    }

    class TByteWriter {
    public:
        explicit TByteWriter(bool bigEndian)
            : m_bigEndian(bigEndian)
        {
        }
        void U16(std::uint16_t v)
        {
            if (m_bigEndian)
                Append(Bytes, { std::uint8_t(v >> 8), std::uint8_t(v) });
            else
                Append(Bytes, { std::uint8_t(v), std::uint8_t(v >> 8) });
        }
        void U32(std::uint32_t v)
        {
            if (m_bigEndian) {
                U16(std::uint16_t(v >> 16));
                U16(std::uint16_t(v));
            } else {
                U16(std::uint16_t(v));
                U16(std::uint16_t(v >> 16));
            }
        }
        std::vector<std::uint8_t> Bytes;

    private:
        bool m_bigEndian;
    };

    std::vector<std::uint8_t> Items(bool bigEndian, std::initializer_list<std::uint32_t> values, int size)
    {
        TByteWriter writer(bigEndian);
        for (std::uint32_t v : values)
            size == 2 ? writer.U16(std::uint16_t(v)) : writer.U32(v);
        return writer.Bytes;
    }

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
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return { tag, 2, static_cast<std::uint32_t>(bytes.size()), bytes };
}

ExifTestEntry ShortEntry(std::uint16_t tag, std::uint16_t value) { return { tag, 3, 1, Items(false, { value }, 2) }; }

ExifTestEntry LongEntry(std::uint16_t tag, std::uint32_t value) { return { tag, 4, 1, Items(false, { value }, 4) }; }

ExifTestEntry RationalEntry(std::uint16_t tag, std::uint32_t numerator, std::uint32_t denominator)
{
    return { tag, 5, 1, Items(false, { numerator, denominator }, 4) };
}

std::vector<std::uint8_t> MakeExifSegment(
    bool bigEndian, const std::vector<ExifTestEntry>& ifd0, const std::vector<ExifTestEntry>& exif)
{
    // TIFF part: header (8), IFD0, the Exif directory, then the data of values over 4 bytes.
    std::vector<ExifTestEntry> first = ifd0;
    if (!exif.empty())
        first.push_back(LongEntry(0x8769, 0)); // patched below
    const std::uint32_t ifd0Size = 2 + 12 * static_cast<std::uint32_t>(first.size()) + 4;
    const std::uint32_t exifOffset = 8 + ifd0Size;
    const std::uint32_t exifSize = exif.empty() ? 0 : 2 + 12 * static_cast<std::uint32_t>(exif.size()) + 4;
    std::uint32_t dataOffset = exifOffset + exifSize;

    TByteWriter tiff(bigEndian);
    std::vector<std::uint8_t> data;
    Append(tiff.Bytes, { std::uint8_t(bigEndian ? 'M' : 'I'), std::uint8_t(bigEndian ? 'M' : 'I') });
    tiff.U16(42);
    tiff.U32(8);
    auto directory = [&](const std::vector<ExifTestEntry>& entries) {
        tiff.U16(static_cast<std::uint16_t>(entries.size()));
        for (const ExifTestEntry& entry : entries) {
            tiff.U16(entry.Tag);
            tiff.U16(entry.Type);
            tiff.U32(entry.Count);
            std::vector<std::uint8_t> value = InOrder(entry, bigEndian);
            if (entry.Tag == 0x8769 && entry.Type == 4)
                value = Items(bigEndian, { exifOffset }, 4);
            if (value.size() <= 4) {
                value.resize(4, 0);
                tiff.Bytes.insert(tiff.Bytes.end(), value.begin(), value.end());
            } else {
                tiff.U32(dataOffset + static_cast<std::uint32_t>(data.size()));
                data.insert(data.end(), value.begin(), value.end());
            }
        }
        tiff.U32(0);
    };
    directory(first);
    if (!exif.empty())
        directory(exif);
    tiff.Bytes.insert(tiff.Bytes.end(), data.begin(), data.end());

    std::vector<std::uint8_t> segment;
    Append(segment, { 0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0 });
    for (std::uint8_t b : tiff.Bytes)
        segment.push_back(b);
    const std::size_t length = segment.size() - 2;
    segment[2] = static_cast<std::uint8_t>(length >> 8);
    segment[3] = static_cast<std::uint8_t>(length);
    return segment;
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
    const std::uint32_t stride = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
    const std::uint32_t imageSize = stride * static_cast<std::uint32_t>(height);
    TByteWriter w(false);
    Append(w.Bytes, { 'B', 'M' });
    w.U32(54 + imageSize);
    w.U32(0);
    w.U32(54);
    w.U32(40);
    w.U32(static_cast<std::uint32_t>(width));
    w.U32(static_cast<std::uint32_t>(height));
    w.U16(1);
    w.U16(24);
    w.U32(0);
    w.U32(imageSize);
    w.U32(2835);
    w.U32(2835);
    w.U32(0);
    w.U32(0);
    for (int y = height - 1; y >= 0; --y) {
        const std::uint8_t* row = bitmap->Row(y);
        w.Bytes.insert(w.Bytes.end(), row, row + 3 * width);
        w.Bytes.resize(w.Bytes.size() + (stride - 3 * width), 0);
    }
    return w.Bytes;
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
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
