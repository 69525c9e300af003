#include "imaging/Webp.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <memory>
#include <vector>

namespace korvo {

namespace {

    struct TDemuxDeleter {
        void operator()(WebPDemuxer* demux) const { WebPDemuxDelete(demux); }
    };
    struct TAnimDecoderDeleter {
        void operator()(WebPAnimDecoder* decoder) const { WebPAnimDecoderDelete(decoder); }
    };

    // The first frame composited onto the canvas, as the animation shows it at its start.
    BitmapPtr FirstFrame(const WebPData& data)
    {
        WebPAnimDecoderOptions options;
        if (!WebPAnimDecoderOptionsInit(&options))
            return nullptr;
        options.color_mode = MODE_RGBA;
        options.use_threads = 0;
        const std::unique_ptr<WebPAnimDecoder, TAnimDecoderDeleter> decoder(WebPAnimDecoderNew(&data, &options));
        WebPAnimInfo info;
        if (!decoder || !WebPAnimDecoderGetInfo(decoder.get(), &info) || info.frame_count < 1)
            return nullptr;
        std::uint8_t* canvas = nullptr;
        int timestamp = 0;
        if (!WebPAnimDecoderGetNext(decoder.get(), &canvas, &timestamp) || !canvas)
            return nullptr;
        const int width = static_cast<int>(info.canvas_width);
        return BitmapFromRgb(
            canvas, width, static_cast<int>(info.canvas_height), 4 * static_cast<std::size_t>(width), 4);
    }

    BitmapPtr StillPicture(const std::uint8_t* data, std::size_t size, int width, int height, bool alpha)
    {
        if (!alpha) {
            BitmapPtr bitmap = TBitmap::Create(width, height);
            if (!bitmap)
                return nullptr;
            const std::size_t bytes = bitmap->Stride() * static_cast<std::size_t>(height);
            if (!WebPDecodeBGRInto(data, size, bitmap->Row(0), bytes, static_cast<int>(bitmap->Stride())))
                return nullptr;
            return bitmap;
        }
        const std::size_t stride = 4 * static_cast<std::size_t>(width);
        std::vector<std::uint8_t> rgba(stride * static_cast<std::size_t>(height));
        if (!WebPDecodeRGBAInto(data, size, rgba.data(), rgba.size(), static_cast<int>(stride)))
            return nullptr;
        return BitmapFromRgb(rgba.data(), width, height, stride, 4);
    }

} // namespace

bool ReadWebpMemory(const std::uint8_t* data, std::size_t size, DecodeScope scope, TDecodedPicture& picture)
{
    picture = TDecodedPicture {};
    WebPBitstreamFeatures features;
    if (!data || WebPGetFeatures(data, size, &features) != VP8_STATUS_OK)
        return false;
    const WebPData whole { data, size };
    const std::unique_ptr<WebPDemuxer, TDemuxDeleter> demux(WebPDemux(&whole));
    if (!demux)
        return false;
    // An animation's pictures lie on its canvas; a still picture's canvas is its own size.
    const auto width = static_cast<std::int64_t>(WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_WIDTH));
    const auto height = static_cast<std::int64_t>(WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_HEIGHT));
    if (!WithinPixelLimit(width, height)
        || (!features.has_animation && (width != features.width || height != features.height)))
        return false;
    picture.Width = static_cast<int>(width);
    picture.Height = static_cast<int>(height);
    WebPChunkIterator chunk;
    if (WebPDemuxGetChunk(demux.get(), "EXIF", 1, &chunk)) {
        KeepExif(chunk.chunk.bytes, chunk.chunk.size, picture);
        WebPDemuxReleaseChunkIterator(&chunk);
    }
    if (scope == DecodeScope::HeaderOnly)
        return true;
    picture.Bitmap = features.has_animation
        ? FirstFrame(whole)
        : StillPicture(data, size, picture.Width, picture.Height, features.has_alpha != 0);
    return picture.Bitmap != nullptr;
}

bool ReadWebpFile(const std::string& path, DecodeScope scope, TDecodedPicture& picture)
{
    std::string bytes;
    if (!ReadPictureBytes(path, bytes))
        return false;
    return ReadWebpMemory(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), scope, picture);
}

} // namespace korvo
