#include "support/ContainerPictures.h"

#include "support/TestPictures.h"

#include <libheif/heif.h>
#include <png.h>
#include <webp/encode.h>
#include <webp/mux.h>
#include <zlib.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <memory>

namespace korvo::testing {

namespace {

    using Bytes = std::vector<std::uint8_t>;

    // R, G, B, A bytes of the test picture as the recipe asks for it, 8 bits per channel.
    Bytes Rgba(const ContainerRecipe& recipe, bool second = false)
    {
        const BitmapPtr bitmap = MakeTestBitmap(recipe.Width, recipe.Height);
        Bytes rgba;
        for (int y = 0; y < recipe.Height; ++y)
            for (int x = 0; x < recipe.Width; ++x) {
                const std::uint8_t* p = bitmap->Row(y) + 3 * x;
                const std::uint8_t r = second ? 0 : recipe.Grey ? p[1] : p[2];
                const std::uint8_t g = second ? 0 : p[1];
                const std::uint8_t b = second ? 0 : recipe.Grey ? p[1] : p[0];
                const std::uint8_t a = recipe.Alpha && x < recipe.Width / 2 ? 0 : 255;
                for (std::uint8_t v : { r, g, b, a })
                    rgba.push_back(v);
            }
        return rgba;
    }

    void WriteToBytes(png_structp png, png_bytep data, size_t size)
    {
        auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
        out->insert(out->end(), data, data + size);
    }

    // Rows in the layout the colour type and depth need; filled before setjmp, written after.
    Bytes PngRows(const ContainerRecipe& recipe, const Bytes& rgba, int channels, int depth)
    {
        Bytes rows;
        for (std::size_t i = 0; i < rgba.size(); i += 4) {
            for (int c = 0; c < channels; ++c) {
                const std::uint8_t v = recipe.Palette ? static_cast<std::uint8_t>((rgba[i + 1] & 0xF0) | (rgba[i] >> 4))
                    : channels <= 2 && c == 1         ? rgba[i + 3]
                    : channels <= 2                   ? rgba[i + 1]
                                                      : rgba[i + static_cast<std::size_t>(c)];
                rows.push_back(v);
                if (depth == 16)
                    rows.push_back(v); // v × 257: the same value at 16 bits
            }
        }
        return rows;
    }

    Bytes MakePng(const ContainerRecipe& recipe)
    {
        const int colour = recipe.Palette ? PNG_COLOR_TYPE_PALETTE
            : recipe.Grey                 ? (recipe.Alpha ? PNG_COLOR_TYPE_GRAY_ALPHA : PNG_COLOR_TYPE_GRAY)
                                          : (recipe.Alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB);
        const int channels = recipe.Palette ? 1 : (recipe.Grey ? 1 : 3) + (recipe.Alpha ? 1 : 0);
        const int depth = recipe.Deep ? 16 : 8;
        const Bytes rows = PngRows(recipe, Rgba(recipe), channels, depth);
        // Palette index i: green (i & 0xF0) and red (i << 4) of the test picture, blue 128.
        std::vector<png_color> palette(256);
        for (int i = 0; i < 256; ++i)
            palette[i] = { static_cast<png_byte>((i & 0x0F) << 4), static_cast<png_byte>(i & 0xF0), 128 };
        std::vector<png_bytep> pointers;
        const std::size_t stride = rows.size() / static_cast<std::size_t>(recipe.Height);
        for (int y = 0; y < recipe.Height; ++y)
            pointers.push_back(const_cast<png_bytep>(rows.data()) + static_cast<std::size_t>(y) * stride);
        Bytes exif = recipe.Exif;
        Bytes out;
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        if (setjmp(png_jmpbuf(png))) {
            png_destroy_write_struct(&png, &info);
            return {};
        }
        png_set_write_fn(png, &out, WriteToBytes, nullptr);
        png_set_IHDR(png, info, static_cast<png_uint_32>(recipe.Width), static_cast<png_uint_32>(recipe.Height), depth,
            colour, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        if (recipe.Palette)
            png_set_PLTE(png, info, palette.data(), 256);
        if (!exif.empty())
            png_set_eXIf_1(png, info, static_cast<png_uint_32>(exif.size()), exif.data());
        png_set_rows(png, info, pointers.data());
        png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
        png_destroy_write_struct(&png, &info);
        return out;
    }

    struct TMuxDeleter {
        void operator()(WebPMux* mux) const { WebPMuxDelete(mux); }
    };
    struct TAnimDeleter {
        void operator()(WebPAnimEncoder* encoder) const { WebPAnimEncoderDelete(encoder); }
    };

    Bytes MakeWebp(const ContainerRecipe& recipe)
    {
        const int stride = 4 * recipe.Width;
        WebPData image { nullptr, 0 };
        if (recipe.Animated) {
            WebPAnimEncoderOptions options;
            WebPAnimEncoderOptionsInit(&options);
            const std::unique_ptr<WebPAnimEncoder, TAnimDeleter> encoder(
                WebPAnimEncoderNew(recipe.Width, recipe.Height, &options));
            WebPConfig config;
            WebPConfigInit(&config);
            config.lossless = 1;
            for (int frame = 0; frame < 2; ++frame) {
                const Bytes rgba = Rgba(recipe, frame == 1);
                WebPPicture picture;
                WebPPictureInit(&picture);
                picture.use_argb = 1;
                picture.width = recipe.Width;
                picture.height = recipe.Height;
                WebPPictureImportRGBA(&picture, rgba.data(), stride);
                WebPAnimEncoderAdd(encoder.get(), &picture, frame * 100, &config);
                WebPPictureFree(&picture);
            }
            WebPAnimEncoderAdd(encoder.get(), nullptr, 200, nullptr);
            WebPAnimEncoderAssemble(encoder.get(), &image);
        } else {
            const Bytes rgba = Rgba(recipe);
            std::uint8_t* encoded = nullptr;
            image.size = WebPEncodeLosslessRGBA(rgba.data(), recipe.Width, recipe.Height, stride, &encoded);
            image.bytes = encoded;
        }
        Bytes out(image.bytes, image.bytes + image.size);
        WebPDataClear(&image);
        if (recipe.Exif.empty())
            return out;
        const WebPData whole { out.data(), out.size() };
        const std::unique_ptr<WebPMux, TMuxDeleter> mux(WebPMuxCreate(&whole, 1));
        const WebPData exif { recipe.Exif.data(), recipe.Exif.size() };
        WebPData assembled { nullptr, 0 };
        if (!mux || WebPMuxSetChunk(mux.get(), "EXIF", &exif, 1) != WEBP_MUX_OK
            || WebPMuxAssemble(mux.get(), &assembled) != WEBP_MUX_OK)
            return {};
        out.assign(assembled.bytes, assembled.bytes + assembled.size);
        WebPDataClear(&assembled);
        return out;
    }

    heif_error WriteHeif(heif_context*, const void* data, size_t size, void* userdata)
    {
        auto* out = static_cast<Bytes*>(userdata);
        out->insert(out->end(), static_cast<const std::uint8_t*>(data), static_cast<const std::uint8_t*>(data) + size);
        return { heif_error_Ok, heif_suberror_Unspecified, "" };
    }

    Bytes MakeHeif(const ContainerRecipe& recipe)
    {
        const heif_compression_format format
            = recipe.Kind == ContainerKind::Avif ? heif_compression_AV1 : heif_compression_HEVC;
        // The library registers its encoders while at least one user has started it.
        heif_init(nullptr);
        const struct TEnd {
            ~TEnd() { heif_deinit(); }
        } end;
        if (!heif_have_encoder_for_format(format))
            return {};
        heif_context* context = heif_context_alloc();
        heif_encoder* encoder = nullptr;
        heif_image* image = nullptr;
        Bytes out;
        if (heif_context_get_encoder_for_format(context, format, &encoder).code == heif_error_Ok) {
            heif_encoder_set_lossy_quality(encoder, 90);
            const heif_chroma chroma = recipe.Grey ? heif_chroma_monochrome
                : recipe.Deep ? (recipe.Alpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE)
                              : (recipe.Alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
            heif_image_create(recipe.Width, recipe.Height,
                recipe.Grey ? heif_colorspace_monochrome : heif_colorspace_RGB, chroma, &image);
            const heif_channel channel = recipe.Grey ? heif_channel_Y : heif_channel_interleaved;
            heif_image_add_plane(image, channel, recipe.Width, recipe.Height, recipe.Deep ? 10 : 8);
            int stride = 0;
            std::uint8_t* plane = heif_image_get_plane(image, channel, &stride);
            const Bytes rgba = Rgba(recipe);
            const int channels = recipe.Grey ? 1 : recipe.Alpha ? 4 : 3;
            for (int y = 0; y < recipe.Height; ++y)
                for (int x = 0; x < recipe.Width; ++x)
                    for (int c = 0; c < channels; ++c) {
                        const std::uint8_t v
                            = rgba[4 * (static_cast<std::size_t>(y) * recipe.Width + x) + (recipe.Grey ? 1 : c)];
                        std::uint8_t* at = plane + static_cast<std::size_t>(y) * stride;
                        if (recipe.Deep) {
                            const int deep = v * 1023 / 255;
                            at[2 * (x * channels + c)] = static_cast<std::uint8_t>(deep);
                            at[2 * (x * channels + c) + 1] = static_cast<std::uint8_t>(deep >> 8);
                        } else {
                            at[x * channels + c] = v;
                        }
                    }
            heif_encoding_options* options = heif_encoding_options_alloc();
            options->image_orientation = static_cast<heif_orientation>(recipe.Orientation);
            heif_image_handle* handle = nullptr;
            if (heif_context_encode_image(context, image, encoder, options, &handle).code == heif_error_Ok) {
                if (!recipe.Exif.empty())
                    heif_context_add_exif_metadata(
                        context, handle, recipe.Exif.data(), static_cast<int>(recipe.Exif.size()));
                heif_writer writer { 1, WriteHeif };
                heif_context_write(context, &writer, &out);
                heif_image_handle_release(handle);
            }
            heif_encoding_options_free(options);
            heif_image_release(image);
            heif_encoder_release(encoder);
        }
        heif_context_free(context);
        return out;
    }

} // namespace

std::vector<std::uint8_t> MakeContainerPicture(const ContainerRecipe& recipe)
{
    switch (recipe.Kind) {
    case ContainerKind::Png:
        return MakePng(recipe);
    case ContainerKind::Webp:
        return MakeWebp(recipe);
    default:
        return MakeHeif(recipe);
    }
}

namespace {

    void PutBigEndian32(Bytes& b, std::size_t at, std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
    }

    std::size_t Find(const Bytes& b, const char* text)
    {
        const auto at = std::search(b.begin(), b.end(), text, text + std::strlen(text));
        return at == b.end() ? 0 : static_cast<std::size_t>(at - b.begin());
    }

} // namespace

std::vector<std::uint8_t> ClaimingSize(
    ContainerKind kind, std::vector<std::uint8_t> b, std::uint32_t width, std::uint32_t height)
{
    if (b.empty())
        return b;
    if (kind == ContainerKind::Png) {
        const std::size_t ihdr = Find(b, "IHDR");
        PutBigEndian32(b, ihdr + 4, width);
        PutBigEndian32(b, ihdr + 8, height);
        PutBigEndian32(b, ihdr + 17, static_cast<std::uint32_t>(crc32(0, b.data() + ihdr, 17)));
    } else if (kind == ContainerKind::Webp) {
        const std::size_t vp8x = Find(b, "VP8X");
        for (int i = 0; i < 3; ++i) {
            b[vp8x + 12 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>((width - 1) >> (8 * i));
            b[vp8x + 15 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>((height - 1) >> (8 * i));
        }
    } else {
        const std::size_t ispe = Find(b, "ispe");
        PutBigEndian32(b, ispe + 8, width);
        PutBigEndian32(b, ispe + 12, height);
    }
    return b;
}

std::string ContainerExtension(ContainerKind kind)
{
    switch (kind) {
    case ContainerKind::Heic:
        return ".heic";
    case ContainerKind::Avif:
        return ".avif";
    case ContainerKind::Png:
        return ".png";
    default:
        return ".webp";
    }
}

std::vector<std::uint8_t> TiffOfSegment(const std::vector<std::uint8_t>& segment)
{
    // Marker (2), length (2), "Exif", 00, 00.
    return segment.size() > 10 ? std::vector<std::uint8_t>(segment.begin() + 10, segment.end())
                               : std::vector<std::uint8_t>();
}

} // namespace korvo::testing
