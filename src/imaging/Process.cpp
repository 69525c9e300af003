#include "imaging/Process.h"

#include "imaging/Bmp.h"
#include "imaging/Histogram.h"
#include "imaging/Jpeg.h"
#include "imaging/PictureFile.h"
#include "imaging/RotateBMP.h"
#include "imaging/ScaleBMP.h"
#include "model/TextRules.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <exception>
#include <vector>

namespace korvo {

const TImageGroupSettings& GroupFor(OutputImageKind kind, const Configuration& config)
{
    return kind == OutputImageKind::ThumbnailImage ? config.ThumbnailImages : config.PreviewImages;
}

namespace {

    BitmapPtr LoadAndPrepare(const TImageRecord& image, const Configuration& config)
    {
        BitmapPtr bitmap = ReadPictureBitmap(image.Source);
        if (!bitmap)
            return nullptr;

        const PreprocessingSettings& pre = config.Preprocessing;
        // The filters switch the picture to 24 bits themselves, but cannot report a failure to.
        if ((pre.MedianFilter || pre.Equalize) && !bitmap->SwitchTo24())
            return nullptr;
        if (pre.MedianFilter)
            ApplyMedianFilter(*bitmap);
        if (pre.Equalize)
            EqualizeBitmap(*bitmap, pre.EqualizeMode == EqualizeMode::RGB, pre.EqualizeStrength * 0.001);

        switch (image.Rotate) {
        case 1:
            return RotateClockwise(*bitmap);
        case 2:
            // The same pixels as RotateHalfTurn, without a second full-size picture.
            if (!RotateHalfTurnInPlace(*bitmap))
                return nullptr;
            return bitmap;
        case 3:
            return RotateCounterClockwise(*bitmap);
        default:
            // The decoded bitmap is already new and the caller's alone: handing it over is what a
            // copy would give, without a second full-size picture in memory.
            return bitmap;
        }
    }

} // namespace

BitmapPtr LoadImage(const TImageRecord& image, const Configuration& config)
{
    // Memory that runs out anywhere on the way is this picture's failure, not the run's end.
    try {
        return LoadAndPrepare(image, config);
    } catch (const std::exception&) {
        return nullptr;
    }
}

TPictureSize FittedSize(int width, int height, const TImageGroupSettings& group, int scale)
{
    const std::int64_t w = width;
    const std::int64_t h = height;
    const std::int64_t boxWidth = std::int64_t { group.Width() } * scale;
    const std::int64_t boxHeight = std::int64_t { group.Height() } * scale;
    std::int64_t tw = w;
    std::int64_t th = h;
    if (boxWidth < w) {
        tw = boxWidth;
        th = boxWidth * h / w;
    }
    if (th > boxHeight) {
        th = boxHeight;
        tw = boxHeight * w / h; // from the picture's own size, not from the step above
    }
    return { static_cast<int>(tw), static_cast<int>(th) };
}

BitmapPtr MakeSizedImage(const TImageRecord&, TBitmap* bitmap, OutputImageKind kind, const Configuration& config)
{
    if (!bitmap)
        return nullptr;
    const TImageGroupSettings& group = GroupFor(kind, config);
    const TPictureSize size = FittedSize(bitmap->Width(), bitmap->Height(), group);
    const std::int64_t tw = size.Width;
    const std::int64_t th = size.Height;
    // A picture many times wider than high (or the converse) gets a side of 0: nothing to
    // show, so a failure of this picture.
    if (tw <= 0 || th <= 0)
        return nullptr;
    BitmapPtr sized = TBitmap::Create(static_cast<int>(tw), static_cast<int>(th), PixelFormat::Bgr24);
    if (!sized)
        return nullptr;
    try {
        ScaleBitmap(bitmap, sized.get());
    } catch (const std::exception&) {
        return nullptr;
    }
    if (kind == OutputImageKind::ThumbnailImage && group.FrameSize() >= 1)
        AddBevelFrame(*sized, group.FrameSize());
    return sized;
}

bool WriteJpegFile(TBitmap* bitmap, const std::string& path, OutputImageKind kind, const Configuration& config)
{
    if (!bitmap)
        return false;
    const TImageGroupSettings& group = GroupFor(kind, config);
    try {
        return EncodeJpegFile(*bitmap, path, group.Quality, group.Progressive);
    } catch (const std::exception&) {
        return false; // out of memory for the names of the files
    }
}

BitmapPtr JpegRoundTrip(TBitmap* bitmap, OutputImageKind kind, const Configuration& config, std::size_t& encodedBytes)
{
    encodedBytes = 0;
    if (!bitmap)
        return nullptr;
    const TImageGroupSettings& group = GroupFor(kind, config);
    std::vector<std::uint8_t> encoded;
    if (!EncodeJpegMemory(*bitmap, group.Quality, group.Progressive, encoded))
        return nullptr;
    BitmapPtr decoded = DecodeJpegMemory(encoded.data(), encoded.size(), DctMethod::Float);
    if (decoded)
        encodedBytes = encoded.size();
    return decoded;
}

namespace {

    // out[j] := the median of in[j], in[j + 3] and in[j + 6]: byte j + 3 of a row filtered with
    // the same channel of its left and right neighbour. Plain byte minima and maxima, which the
    // compiler turns into vector code; compiled once more for AVX2, chosen at run time (by a
    // plain test rather than an ifunc, which runs before sanitizer runtimes are set up).
    [[gnu::always_inline]] inline void MedianKernel(
        const std::uint8_t* __restrict in, std::uint8_t* __restrict out, std::size_t count)
    {
        for (std::size_t j = 0; j < count; ++j) {
            const std::uint8_t a = in[j];
            const std::uint8_t b = in[j + 3];
            const std::uint8_t c = in[j + 6];
            const std::uint8_t low = std::min(a, b);
            const std::uint8_t high = std::max(a, b);
            out[j] = std::max(low, std::min(high, c));
        }
    }

    void MedianPortable(const std::uint8_t* in, std::uint8_t* out, std::size_t count) { MedianKernel(in, out, count); }

#if defined(__x86_64__) && defined(__GNUC__)
    [[gnu::target("avx2")]] void MedianWide(const std::uint8_t* in, std::uint8_t* out, std::size_t count)
    {
        MedianKernel(in, out, count);
    }
#endif

    void MedianBytes(const std::uint8_t* in, std::uint8_t* out, std::size_t count)
    {
#if defined(__x86_64__) && defined(__GNUC__)
        if (__builtin_cpu_supports("avx2")) {
            MedianWide(in, out, count);
            return;
        }
#endif
        MedianPortable(in, out, count);
    }

} // namespace

void MedianFilterRow(const std::uint8_t* in, std::uint8_t* out, int width)
{
    const std::size_t n = 3 * static_cast<std::size_t>(width);
    if (width < 3) {
        std::memcpy(out, in, n);
        return;
    }
    std::memcpy(out, in, 3);
    MedianBytes(in, out + 3, n - 6);
    std::memcpy(out + n - 3, in + n - 3, 3);
}

void ApplyMedianFilter(TBitmap& bitmap)
{
    if (!bitmap.SwitchTo24() || bitmap.Width() < 3)
        return;
    // In place: the originals are read from a copy of the row, taken in chunks that overlap by
    // the three bytes on either side, so the left neighbour counts with its value from before
    // the pass and no allocation is needed.
    constexpr std::size_t Chunk = 4096;
    std::array<std::uint8_t, Chunk + 6> originals;
    const std::size_t n = 3 * static_cast<std::size_t>(bitmap.Width());
    const std::size_t end = n - 3;
    for (int y = 0; y < bitmap.Height(); ++y) {
        std::uint8_t* row = bitmap.Row(y);
        // originals[0] holds the original of byte s − 3.
        std::memcpy(originals.data(), row, std::min(n, Chunk + 6));
        for (std::size_t s = 3; s < end;) {
            const std::size_t e = std::min(s + Chunk, end);
            MedianBytes(originals.data(), row + s, e - s);
            if (e < end) {
                // Keep the originals of bytes e − 3 … e + 2; the bytes from e + 3 on are
                // still unfiltered in the row.
                std::memmove(originals.data(), originals.data() + (e - s), 6);
                const std::size_t next = std::min(e + Chunk, end);
                std::memcpy(originals.data() + 6, row + e + 3, next - e);
            }
            s = e;
        }
    }
}

void AddBevelFrame(TBitmap& bitmap, int edgeWidth)
{
    if (!bitmap.SwitchTo24())
        return;
    const int w1 = bitmap.Width() - 1;
    const int h1 = bitmap.Height() - 1;
    const int n = edgeWidth;
    if (n < 1 || n > w1 / 2 || n > h1 / 2)
        return;
    const int d = n + 1;
    for (int i = 0; i < n; ++i) {
        const int k = i + 1;
        std::array<std::uint8_t, 256> light;
        std::array<std::uint8_t, 256> dark;
        for (int v = 0; v < 256; ++v) {
            light[v] = static_cast<std::uint8_t>(255 - (255 - v) * k / d);
            dark[v] = static_cast<std::uint8_t>(v * k / d);
        }
        auto apply = [](std::uint8_t* px, const std::array<std::uint8_t, 256>& table) {
            px[0] = table[px[0]];
            px[1] = table[px[1]];
            px[2] = table[px[2]];
        };
        // Top edge, corners at both ends included.
        std::uint8_t* top = bitmap.Row(i);
        for (int x = i; x <= w1 - i; ++x)
            apply(top + 3 * x, light);
        // Left edge down to the bottom-left corner.
        for (int y = i + 1; y <= h1 - i; ++y)
            apply(bitmap.Row(y) + 3 * i, light);
        // Bottom edge from beside that corner, bottom-right corner included.
        std::uint8_t* bottom = bitmap.Row(h1 - i);
        for (int x = i + 1; x <= w1 - i; ++x)
            apply(bottom + 3 * x, dark);
        // Right edge between the two corners.
        for (int y = i + 1; y <= h1 - i - 1; ++y)
            apply(bitmap.Row(y) + 3 * (w1 - i), dark);
    }
}

std::string NumberText(int number, int digits) { return ZeroPadded(number, digits); }

std::string DoubledFileName(std::string_view name)
{
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || name.find('/', dot) != std::string_view::npos)
        return std::string(name) + "@2x";
    return std::string(name.substr(0, dot)) + "@2x" + std::string(name.substr(dot));
}

std::string SafeFileName(std::string_view name)
{
    std::string safe(name);
    for (char& c : safe)
        if (c == '/' || c == '\0')
            c = '_';
    return safe;
}

bool IsOwnFolderName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos
        && name.find('\0') == std::string_view::npos;
}

std::string BuildFileName(int number, std::string_view nameTemplate, int digits)
{
    std::string name = SafeFileName(nameTemplate);
    std::replace(name.begin(), name.end(), '?', '%');
    std::replace(name.begin(), name.end(), '*', '%');
    const std::size_t position = name.find('%');
    if (position == std::string::npos)
        return name + NumberText(number, digits);
    return name.substr(0, position) + NumberText(number, digits) + name.substr(position + 1, 1024);
}

} // namespace korvo
