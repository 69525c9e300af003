#include "imaging/Heif.h"

#include <libheif/heif.h>

#include <climits>
#include <memory>
#include <vector>

namespace korvo {

namespace {

    // The library counts its users: the first start sets it up, the last end tears it down.
    class TLibraryUse {
    public:
        TLibraryUse()
            : m_started(heif_init(nullptr).code == heif_error_Ok)
        {
        }
        ~TLibraryUse()
        {
            if (m_started)
                heif_deinit();
        }
        TLibraryUse(const TLibraryUse&) = delete;
        TLibraryUse& operator=(const TLibraryUse&) = delete;
        bool Started() const { return m_started; }

    private:
        bool m_started;
    };

    struct TContextDeleter {
        void operator()(heif_context* context) const { heif_context_free(context); }
    };
    struct THandleDeleter {
        void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
    };
    struct TImageDeleter {
        void operator()(heif_image* image) const { heif_image_release(image); }
    };
    struct TOptionsDeleter {
        void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
    };

    // More EXIF data than this in one item is no camera's: such an item is left unread.
    constexpr std::size_t LargestExifItem = std::size_t { 1 } << 24;

    // The Exif item begins with the offset of the TIFF header behind its own four bytes.
    void ReadExifItem(const heif_image_handle* handle, TDecodedPicture& picture)
    {
        heif_item_id id = 0;
        if (heif_image_handle_get_list_of_metadata_block_IDs(handle, "Exif", &id, 1) < 1)
            return;
        const std::size_t size = heif_image_handle_get_metadata_size(handle, id);
        if (size < 4 || size > LargestExifItem)
            return;
        std::vector<std::uint8_t> item(size);
        if (heif_image_handle_get_metadata(handle, id, item.data()).code != heif_error_Ok)
            return;
        const std::uint64_t offset = (std::uint64_t { item[0] } << 24) | (std::uint64_t { item[1] } << 16)
            | (std::uint64_t { item[2] } << 8) | item[3];
        if (offset > size - 4)
            return;
        KeepExif(item.data() + 4 + offset, size - 4 - static_cast<std::size_t>(offset), picture);
    }

    BitmapPtr DecodePrimary(const heif_image_handle* handle)
    {
        const bool alpha = heif_image_handle_has_alpha_channel(handle) != 0;
        const std::unique_ptr<heif_decoding_options, TOptionsDeleter> options(heif_decoding_options_alloc());
        if (!options)
            return nullptr;
        options->convert_hdr_to_8bit = 1;
        heif_image* decoded = nullptr;
        const heif_error error = heif_decode_image(handle, &decoded, heif_colorspace_RGB,
            alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options.get());
        const std::unique_ptr<heif_image, TImageDeleter> image(decoded);
        if (error.code != heif_error_Ok || !image)
            return nullptr;
        const int width = heif_image_get_primary_width(image.get());
        const int height = heif_image_get_primary_height(image.get());
        int stride = 0;
        const std::uint8_t* pixels = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
        if (!pixels || stride <= 0 || !WithinPixelLimit(width, height)
            || heif_image_get_bits_per_pixel_range(image.get(), heif_channel_interleaved) != 8)
            return nullptr;
        return BitmapFromRgb(pixels, width, height, static_cast<std::size_t>(stride), alpha ? 4 : 3,
            heif_image_handle_is_premultiplied_alpha(handle) != 0);
    }

} // namespace

bool ReadHeifMemory(
    const std::uint8_t* data, std::size_t size, DecodeScope scope, TDecodedPicture& picture, HeifKind* kind)
{
    picture = TDecodedPicture {};
    if (!data || size < 12 || size > static_cast<std::size_t>(INT_MAX))
        return false;
    const int length = static_cast<int>(size);
    if (heif_check_filetype(data, length) != heif_filetype_yes_supported)
        return false;
    const TLibraryUse library;
    if (!library.Started())
        return false;
    const std::unique_ptr<heif_context, TContextDeleter> context(heif_context_alloc());
    if (!context)
        return false;
    heif_context_set_max_decoding_threads(context.get(), 1);
    if (heif_context_read_from_memory_without_copy(context.get(), data, size, nullptr).code != heif_error_Ok)
        return false;
    heif_image_handle* primary = nullptr;
    if (heif_context_get_primary_image_handle(context.get(), &primary).code != heif_error_Ok)
        return false;
    const std::unique_ptr<heif_image_handle, THandleDeleter> handle(primary);
    if (!handle
        || !WithinPixelLimit(heif_image_handle_get_width(handle.get()), heif_image_handle_get_height(handle.get())))
        return false;
    picture.Width = heif_image_handle_get_width(handle.get());
    picture.Height = heif_image_handle_get_height(handle.get());
    if (kind) {
        const heif_brand2 brand = heif_read_main_brand(data, length);
        const bool av1 = brand == heif_fourcc_to_brand("avif") || brand == heif_fourcc_to_brand("avis");
        *kind = av1 ? HeifKind::Avif : HeifKind::Heic;
    }
    ReadExifItem(handle.get(), picture);
    if (scope == DecodeScope::HeaderOnly)
        return true;
    picture.Bitmap = DecodePrimary(handle.get());
    // The decoded size is the one to trust; a container whose header says otherwise still
    // gives the picture it holds.
    if (!picture.Bitmap)
        return false;
    picture.Width = picture.Bitmap->Width();
    picture.Height = picture.Bitmap->Height();
    return true;
}

bool ReadHeifFile(const std::string& path, DecodeScope scope, TDecodedPicture& picture, HeifKind* kind)
{
    std::string bytes;
    if (!ReadPictureBytes(path, bytes))
        return false;
    return ReadHeifMemory(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), scope, picture, kind);
}

} // namespace korvo
