#include "imaging/Process.h"

#include "imaging/BevelFrame.h"
#include "imaging/Bmp.h"
#include "imaging/Histogram.h"
#include "imaging/Jpeg.h"
#include "imaging/MedianFilter.h"
#include "imaging/PictureFile.h"
#include "imaging/RotateBMP.h"
#include "imaging/ScaleBMP.h"

#include <algorithm>
#include <cstdint>
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

} // namespace korvo
