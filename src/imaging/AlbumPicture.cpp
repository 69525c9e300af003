#include "imaging/AlbumPicture.h"

#include "imaging/BevelFrame.h"
#include "imaging/Histogram.h"
#include "imaging/Jpeg.h"
#include "imaging/MedianFilter.h"
#include "imaging/PictureFile.h"
#include "imaging/Process.h"
#include "imaging/RotateBMP.h"
#include "imaging/ScaleBMP.h"
#include "model/TextRules.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <exception>
#include <optional>
#include <span>
#include <stdexcept>
#include <utility>

namespace korvo {

struct TPictureWorkspace::TBuffers {
    BitmapPtr full; // a picture that must be held whole: tonal correction, turns
    BitmapPtr preview;
    BitmapPtr thumbnail;
    BitmapPtr preview2x;
    BitmapPtr thumbnail2x;
    std::vector<std::uint8_t> strip; // rows from the decoder or from a turn
    std::vector<std::uint8_t> row; // one row after the median filter
};

TPictureWorkspace::TPictureWorkspace()
    : m_buffers(std::make_unique<TBuffers>())
{
}

TPictureWorkspace::~TPictureWorkspace() = default;

namespace {

    // Decoder rows per read, and turned rows per strip (a turn walks its source in tiles).
    constexpr int DecodeStrip = 16;
    constexpr int TurnStrip = 64;

    using TCancelled = std::function<bool()>;

    bool IsCancelled(const TCancelled& cancelled) { return cancelled && cancelled(); }

    // A bitmap of the workspace, made empty on first use and resized (reusing its memory) later.
    TBitmap* Sized(BitmapPtr& bitmap, int width, int height)
    {
        if (!bitmap)
            bitmap = TBitmap::Create(0, 0);
        if (!bitmap || !bitmap->Reset(width, height, PixelFormat::Bgr24))
            return nullptr;
        return bitmap.get();
    }

    // The preview image and the thumbnail of a picture of known size, filled by one resampler
    // from the picture's rows.
    // With HiDPI twins the doubled preview is the one destination of the source's rows, and
    // every smaller picture is resampled from the smallest one made before it that is large
    // enough: a pass over the full-size rows costs far more than one over the twin. A picture
    // that none is large enough for comes from the rows too.
    class TOutputs {
    public:
        TOutputs(int width, int height, const TAlbumPictureJob& job, const Configuration& config,
            TPictureWorkspace::TBuffers& buffers, TAlbumPictureResult& result)
            : m_scaler(width, height)
            , m_config(config)
            , m_result(result)
        {
            using K = OutputImageKind;
            if (job.MakeDouble)
                m_preview2x = Prepare(width, height, K::PreviewImage, 2, buffers.preview2x, result.Preview2x);
            m_preview = Prepare(width, height, K::PreviewImage, 1, buffers.preview, result.Preview);
            if (job.MakeThumbnail) {
                if (job.MakeDouble)
                    m_thumbnail2x
                        = Prepare(width, height, K::ThumbnailImage, 2, buffers.thumbnail2x, result.Thumbnail2x);
                m_thumbnail = Prepare(width, height, K::ThumbnailImage, 1, buffers.thumbnail, result.Thumbnail);
            }
        }

        void Push(const std::uint8_t* row) { m_scaler.PushRow(row); }

        // After the last row: the pictures made from the twin, the edge, then the files.
        void Finish()
        {
            for (const TDerived& derived : m_derived) {
                try {
                    if (!derived.From->Out->Sized)
                        throw std::runtime_error("no picture to resample");
                    ScaleBitmap(derived.From->Bitmap, derived.Made.Bitmap);
                } catch (const std::exception&) {
                    *derived.Made.Out = {};
                }
            }
            Encode(OutputImageKind::PreviewImage, 1, m_preview, m_result.Preview);
            Encode(OutputImageKind::ThumbnailImage, 1, m_thumbnail, m_result.Thumbnail);
            Encode(OutputImageKind::PreviewImage, 2, m_preview2x, m_result.Preview2x);
            Encode(OutputImageKind::ThumbnailImage, 2, m_thumbnail2x, m_result.Thumbnail2x);
        }

    private:
        // As MakeSizedImage: a side of 0, no memory or a refusing resampler fail the sizing.
        // The bitmap that will hold the picture, or nullptr.
        TBitmap* Prepare(int width, int height, OutputImageKind kind, int scale, BitmapPtr& bitmap, TSizedPicture& out)
        {
            const TPictureSize size = FittedSize(width, height, GroupFor(kind, m_config), scale);
            if (size.Width <= 0 || size.Height <= 0) {
                out.Failure = { FailureReason::PictureTooThin, {} };
                return nullptr;
            }
            out.Failure = { FailureReason::OutOfMemory, {} };
            TBitmap* target = Sized(bitmap, size.Width, size.Height);
            if (!target)
                return nullptr;
            const TMade* from = nullptr;
            for (const TMade& made : std::span(m_made.data(), m_madeCount))
                if (size.Width <= made.Bitmap->Width() && size.Height <= made.Bitmap->Height()
                    && (!from || made.Bitmap->Width() < from->Bitmap->Width()))
                    from = &made;
            if (from) {
                m_derived.push_back({ from, { target, &out } });
            } else {
                try {
                    m_scaler.AddDestination(*target);
                } catch (const std::exception&) {
                    return nullptr;
                }
            }
            out.Failure = {};
            out.Sized = true;
            out.Width = size.Width;
            out.Height = size.Height;
            // Only the twins' pictures are resampled again; a classic run takes each from the rows.
            if ((scale == 2 || m_madeCount > 0) && m_madeCount < m_made.size())
                m_made[m_madeCount++] = { target, &out };
            return target;
        }

        // A doubled picture gets its edge at doubled width, so that both look alike on screen.
        void Encode(OutputImageKind kind, int scale, TBitmap* bitmap, TSizedPicture& out)
        {
            if (!out.Sized || !bitmap)
                return;
            const TImageGroupSettings& group = GroupFor(kind, m_config);
            if (kind == OutputImageKind::ThumbnailImage && group.FrameSize() >= 1)
                AddBevelFrame(*bitmap, scale * group.FrameSize());
            // The twins are by far the largest files: their scans are fewer to keep their cost down.
            out.Encoded = EncodeJpegMemory(*bitmap, group.Quality, group.Progressive, out.Jpeg, false, scale == 2);
            if (!out.Encoded)
                out.Failure = { FailureReason::OutOfMemory, {} };
        }

        TRowScaler m_scaler;
        const Configuration& m_config;
        TAlbumPictureResult& m_result;
        TBitmap* m_preview = nullptr;
        TBitmap* m_thumbnail = nullptr;
        TBitmap* m_preview2x = nullptr;
        TBitmap* m_thumbnail2x = nullptr;
        struct TMade {
            TBitmap* Bitmap;
            TSizedPicture* Out;
        };
        struct TDerived {
            const TMade* From;
            TMade Made;
        };
        std::array<TMade, 4> m_made {}; // the pictures others may be resampled from
        std::size_t m_madeCount = 0;
        std::vector<TDerived> m_derived;
    };

    std::uint8_t* Strip(std::vector<std::uint8_t>& buffer, int rows, int width)
    {
        buffer.resize(static_cast<std::size_t>(rows) * 3 * static_cast<std::size_t>(width));
        return buffer.data();
    }

    // A JPEG without tonal correction and turn: decoder rows, median filter, resampler.
    void StreamJpeg(const TAlbumPictureJob& job, const Configuration& config, TPictureWorkspace::TBuffers& buffers,
        TAlbumPictureResult& result, const TCancelled& cancelled)
    {
        TJpegRowReader reader;
        auto failed = [&] { result.LoadFailure = reader.Failure(); };
        if (!reader.OpenFile(job.Source))
            return failed();
        const int width = reader.ImageWidth();
        const int height = reader.ImageHeight();
        TOutputs outputs(width, height, job, config, buffers, result);
        if (!reader.Start(DctMethod::Float))
            return failed();
        const bool median = config.Preprocessing.MedianFilter;
        const std::size_t stride = 3 * static_cast<std::size_t>(width);
        std::uint8_t* strip = Strip(buffers.strip, DecodeStrip, width);
        std::uint8_t* filtered = median ? Strip(buffers.row, 1, width) : nullptr;
        std::uint8_t* rows[DecodeStrip];
        for (int i = 0; i < DecodeStrip; ++i)
            rows[i] = strip + static_cast<std::size_t>(i) * stride;
        while (reader.NextRow() < height) {
            const int count = std::min(DecodeStrip, height - reader.NextRow());
            if (!reader.ReadRows(rows, count))
                return failed();
            if (IsCancelled(cancelled))
                return;
            for (int i = 0; i < count; ++i) {
                if (median) {
                    MedianFilterRow(rows[i], filtered, width);
                    outputs.Push(filtered);
                } else {
                    outputs.Push(rows[i]);
                }
            }
        }
        result.Loaded = true;
        result.Damage = reader.Damage();
        outputs.Finish();
    }

    // The filters of a held picture, strip by strip while the strip is still in the cache: the
    // median filter in place, and the counts of the tonal correction.
    class THeldFilters {
    public:
        THeldFilters(const PreprocessingSettings& pre, int width, TPictureWorkspace::TBuffers& buffers)
            : m_pre(pre)
            , m_width(width)
            , m_original(pre.MedianFilter ? Strip(buffers.row, 1, width) : nullptr)
        {
        }

        void Rows(TBitmap& picture, int first, int count)
        {
            for (int y = first; y < first + count; ++y) {
                std::uint8_t* row = picture.Row(y);
                if (m_pre.MedianFilter) {
                    std::memcpy(m_original, row, 3 * static_cast<std::size_t>(m_width));
                    MedianFilterRow(m_original, row, m_width);
                }
                if (m_pre.Equalize)
                    m_counts.AddRow(row, m_width);
            }
        }

        TEqualizeMapping Mapping() const
        {
            return m_counts.Mapping(m_pre.EqualizeMode == EqualizeMode::RGB, m_pre.EqualizeStrength * 0.001);
        }

    private:
        const PreprocessingSettings& m_pre;
        int m_width;
        std::uint8_t* m_original;
        TEqualizeCounts m_counts;
    };

    // A JPEG decoded into the workspace's full-size buffer, each strip filtered as it comes.
    TBitmap* DecodeHeld(const std::string& path, const PreprocessingSettings& pre, std::optional<THeldFilters>& filters,
        TPictureWorkspace::TBuffers& buffers, const TCancelled& cancelled, TAlbumPictureResult& result)
    {
        TJpegRowReader reader;
        auto failed = [&]() -> TBitmap* {
            result.LoadFailure = reader.Failure();
            return nullptr;
        };
        if (!reader.OpenFile(path))
            return failed();
        filters.emplace(pre, reader.ImageWidth(), buffers);
        TBitmap* picture = Sized(buffers.full, reader.ImageWidth(), reader.ImageHeight());
        if (!picture) {
            result.LoadFailure = { FailureReason::OutOfMemory, {} };
            return nullptr;
        }
        if (!reader.Start(DctMethod::Float))
            return failed();
        std::uint8_t* rows[DecodeStrip];
        while (reader.NextRow() < reader.Height()) {
            const int first = reader.NextRow();
            const int count = std::min(DecodeStrip, reader.Height() - first);
            for (int i = 0; i < count; ++i)
                rows[i] = picture->Row(first + i);
            if (!reader.ReadRows(rows, count))
                return failed();
            if (IsCancelled(cancelled))
                return nullptr;
            filters->Rows(*picture, first, count);
        }
        result.Damage = reader.Damage();
        return picture;
    }

    // Everything else: the picture held whole (a BMP or container file as read, a JPEG in the
    // workspace's buffer), filtered while it is read, then its turned rows strip by strip through the tonal
    // correction's mapping into the resampler, without a turned copy.
    void HeldPicture(const TAlbumPictureJob& job, const Configuration& config, TPictureWorkspace::TBuffers& buffers,
        TAlbumPictureResult& result, const TCancelled& cancelled, bool whole)
    {
        const PreprocessingSettings& pre = config.Preprocessing;
        const int rotate = job.Rotate >= 1 && job.Rotate <= 3 ? job.Rotate : 0;
        BitmapPtr read;
        TBitmap* picture = nullptr;
        std::optional<THeldFilters> filters;
        if (whole) {
            read = ReadPictureBitmap(job.Source, &result.LoadFailure);
            picture = read.get();
            if (!picture)
                return;
            // As LoadImage: the filters and turns need 24 bits and fail the reading without
            // them; an untouched picture is switched only by the resampler, whose failure is a
            // sizing one.
            if (!picture->SwitchTo24()) {
                if (!pre.MedianFilter && !pre.Equalize && rotate == 0)
                    result.Loaded = true;
                else
                    result.LoadFailure = { FailureReason::OutOfMemory, {} };
                return;
            }
            filters.emplace(pre, picture->Width(), buffers);
            for (int first = 0; first < picture->Height(); first += DecodeStrip)
                filters->Rows(*picture, first, std::min(DecodeStrip, picture->Height() - first));
        } else {
            picture = DecodeHeld(job.Source, pre, filters, buffers, cancelled, result);
        }
        if (!picture || IsCancelled(cancelled))
            return;
        std::optional<TEqualizeMapping> mapping;
        if (pre.Equalize)
            mapping = filters->Mapping();

        const int width = TurnedWidth(*picture, rotate);
        const int height = TurnedHeight(*picture, rotate);
        TOutputs outputs(width, height, job, config, buffers, result);
        const std::size_t stride = 3 * static_cast<std::size_t>(width);
        std::uint8_t* strip = Strip(buffers.strip, TurnStrip, width);
        std::uint8_t* rows[TurnStrip];
        for (int i = 0; i < TurnStrip; ++i)
            rows[i] = strip + static_cast<std::size_t>(i) * stride;
        for (int first = 0; first < height; first += TurnStrip) {
            if (IsCancelled(cancelled))
                return;
            const int count = std::min(TurnStrip, height - first);
            if (rotate == 0 && !mapping) {
                for (int i = 0; i < count; ++i)
                    outputs.Push(picture->Row(first + i));
                continue;
            }
            TurnedRows(*picture, rotate, first, count, rows);
            for (int i = 0; i < count; ++i) {
                if (mapping)
                    mapping->MapRow(rows[i], width);
                outputs.Push(rows[i]);
            }
        }
        result.Loaded = true;
        outputs.Finish();
    }

} // namespace

TAlbumPictureResult ProcessAlbumPicture(const TAlbumPictureJob& job, const Configuration& config,
    TPictureWorkspace& workspace, const std::function<bool()>& cancelled) noexcept
{
    TAlbumPictureResult result;
    try {
        const ImageFileType type = FileTypeOf(job.Source);
        const bool held = type == ImageFileType::Bmp || IsContainerType(type);
        const PreprocessingSettings& pre = config.Preprocessing;
        const bool turned = job.Rotate >= 1 && job.Rotate <= 3;
        if (!held && !pre.Equalize && !turned)
            StreamJpeg(job, config, workspace.Buffers(), result, cancelled);
        else
            HeldPicture(job, config, workspace.Buffers(), result, cancelled, held);
    } catch (const std::bad_alloc&) {
        result = TAlbumPictureResult {};
        result.LoadFailure = { FailureReason::OutOfMemory, {} };
    } catch (...) {
        // Anything unforeseen: this picture failed, the run goes on.
        result = TAlbumPictureResult {};
        result.LoadFailure = { FailureReason::Unknown, {} };
    }
    if (!result.Loaded) {
        // A picture that was not read has no outputs, whatever was prepared for them.
        result.Preview = {};
        result.Thumbnail = {};
        result.Preview2x = {};
        result.Thumbnail2x = {};
        result.Damage = FailureReason::None;
    }
    return result;
}

} // namespace korvo
