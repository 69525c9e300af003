#include "support/TestImages.h"

#include "support/TestJpegCompressor.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <stdexcept>

#include <jpeglib.h>

namespace korvo::testing {

BitmapPtr MakeBitmap(int width, int height, const std::function<std::array<std::uint8_t, 3>(int, int)>& pixel)
{
    BitmapPtr bitmap = TBitmap::Create(width, height, PixelFormat::Bgr24);
    if (!bitmap)
        throw std::runtime_error("test bitmap");
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const auto p = pixel(x, y);
            std::uint8_t* px = bitmap->Row(y) + 3 * x;
            px[0] = p[0];
            px[1] = p[1];
            px[2] = p[2];
        }
    return bitmap;
}

BitmapPtr MakeUniform(int width, int height, std::uint8_t value)
{
    return MakeBitmap(width, height, [=](int, int) { return std::array<std::uint8_t, 3> { value, value, value }; });
}

BitmapPtr MakePhoto(int width, int height)
{
    std::minstd_rand noise(12345);
    return MakeBitmap(width, height, [&](int x, int y) {
        const double u = static_cast<double>(x) / width;
        const double v = static_cast<double>(y) / height;
        const double sky = 120 + 100 * std::sin(3.1 * u + 1.3 * v);
        const double hill = v > 0.55 + 0.1 * std::sin(9 * u) ? 60.0 : 0.0;
        const int grain = static_cast<int>(noise() % 17) - 8;
        auto clamp = [](double c) { return static_cast<std::uint8_t>(c < 0 ? 0 : c > 255 ? 255 : c); };
        return std::array<std::uint8_t, 3> { clamp(sky + grain - hill), clamp(90 + 80 * v + grain + hill),
            clamp(200 * u + grain) };
    });
}

std::array<std::uint8_t, 3> PixelAt(const TBitmap& bitmap, int x, int y)
{
    const std::uint8_t* px = bitmap.Row(y) + 3 * x;
    return { px[0], px[1], px[2] };
}

bool SamePixels(const TBitmap& a, const TBitmap& b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.Format() != b.Format())
        return false;
    for (int y = 0; y < a.Height(); ++y)
        if (std::memcmp(a.Row(y), b.Row(y), a.Stride()) != 0)
            return false;
    return true;
}

int MaxDifference(const TBitmap& a, const TBitmap& b)
{
    int worst = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (std::size_t k = 0; k < a.Stride(); ++k)
            worst = std::max(worst, std::abs(a.Row(y)[k] - b.Row(y)[k]));
    return worst;
}

void PutU32(Bytes& bytes, std::size_t offset, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

namespace {
    void PutU16(Bytes& bytes, std::size_t offset, std::uint32_t value)
    {
        bytes[offset] = static_cast<std::uint8_t>(value);
        bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
    }
} // namespace

Bytes BuildBmp(const TBmpPlan& plan)
{
    const bool core = plan.HeaderSize == 12;
    const bool runLength = plan.Compression == 1 || plan.Compression == 2;
    const std::size_t maskBytes
        = (plan.HeaderSize == 40 && (plan.Compression == 3 || plan.Compression == 6)) ? plan.Masks.size() * 4 : 0;
    const std::size_t paletteBytes = plan.Palette.size() * (core ? 3 : 4);
    const std::size_t pixelOffset = 14 + plan.HeaderSize + maskBytes + paletteBytes;
    const std::size_t stride = (static_cast<std::size_t>(plan.Width) * plan.Bits + 31) / 32 * 4;
    Bytes pixels;
    if (runLength) {
        pixels = plan.RunLengthData;
    } else {
        pixels.assign(stride * plan.Height, 0);
        for (int y = 0; y < plan.Height; ++y) {
            const int fileRow = plan.TopDown ? y : plan.Height - 1 - y;
            std::uint8_t* out = pixels.data() + fileRow * stride;
            for (int x = 0; x < plan.Width; ++x) {
                const std::uint32_t v = plan.Rows[y][x];
                switch (plan.Bits) {
                case 1:
                    out[x / 8] |= static_cast<std::uint8_t>((v & 1) << (7 - x % 8));
                    break;
                case 4:
                    out[x / 2] |= static_cast<std::uint8_t>(x % 2 ? v & 15 : (v & 15) << 4);
                    break;
                case 8:
                    out[x] = static_cast<std::uint8_t>(v);
                    break;
                case 16:
                    out[2 * x] = static_cast<std::uint8_t>(v);
                    out[2 * x + 1] = static_cast<std::uint8_t>(v >> 8);
                    break;
                case 24:
                case 32:
                    for (int b = 0; b < plan.Bits / 8; ++b)
                        out[plan.Bits / 8 * x + b] = static_cast<std::uint8_t>(v >> (8 * b));
                    break;
                }
            }
        }
    }
    Bytes file(pixelOffset + pixels.size(), 0);
    file[0] = 'B';
    file[1] = 'M';
    PutU32(file, 2, static_cast<std::uint32_t>(file.size()));
    PutU32(file, 10, static_cast<std::uint32_t>(pixelOffset));
    PutU32(file, 14, plan.HeaderSize);
    if (core) {
        PutU16(file, 18, static_cast<std::uint32_t>(plan.Width));
        PutU16(file, 20, static_cast<std::uint32_t>(plan.Height));
        PutU16(file, 22, 1);
        PutU16(file, 24, static_cast<std::uint32_t>(plan.Bits));
    } else {
        PutU32(file, 18, static_cast<std::uint32_t>(plan.Width));
        PutU32(file, 22, static_cast<std::uint32_t>(plan.TopDown ? -plan.Height : plan.Height));
        PutU16(file, 26, 1);
        PutU16(file, 28, static_cast<std::uint32_t>(plan.Bits));
        PutU32(file, 30, plan.Compression);
        PutU32(file, 34, static_cast<std::uint32_t>(pixels.size()));
        PutU32(file, 46, static_cast<std::uint32_t>(plan.Palette.size()));
        // Masks sit behind a 40-byte header, inside the larger ones.
        const std::size_t maskAt = 54;
        if (plan.HeaderSize > 40 || maskBytes > 0)
            for (std::size_t i = 0; i < plan.Masks.size(); ++i)
                PutU32(file, maskAt + 4 * i, plan.Masks[i]);
    }
    std::size_t at = 14 + plan.HeaderSize + maskBytes;
    for (const auto& entry : plan.Palette) {
        file[at] = entry[0];
        file[at + 1] = entry[1];
        file[at + 2] = entry[2];
        at += core ? 3 : 4;
    }
    std::copy(pixels.begin(), pixels.end(), file.begin() + static_cast<std::ptrdiff_t>(pixelOffset));
    return file;
}

namespace {

    using korvo::testing::TestJpegErrorExit;
    using korvo::testing::TestJpegSilent;
    using korvo::testing::TTestCompressor;
    using korvo::testing::TTestJpegError;

    struct TTestDecompressor {
        jpeg_decompress_struct cinfo {};
        TTestJpegError error {};
        TTestDecompressor()
        {
            cinfo.err = jpeg_std_error(&error.pub);
            error.pub.error_exit = TestJpegErrorExit;
            error.pub.output_message = TestJpegSilent;
        }
        ~TTestDecompressor() { jpeg_destroy_decompress(&cinfo); }
    };

    bool ReadHeader(TTestDecompressor& d, const Bytes& file)
    {
        if (setjmp(d.error.jump))
            return false;
        jpeg_create_decompress(&d.cinfo);
        jpeg_mem_src(&d.cinfo, file.data(), static_cast<unsigned long>(file.size()));
        jpeg_read_header(&d.cinfo, TRUE);
        return true;
    }

    // The quantisation tables in use, up to the first empty slot.
    std::vector<std::array<std::uint16_t, 64>> QuantTables(JQUANT_TBL* const (&slots)[NUM_QUANT_TBLS])
    {
        std::vector<std::array<std::uint16_t, 64>> tables;
        for (const JQUANT_TBL* table : slots) {
            if (!table)
                break;
            std::array<std::uint16_t, 64> values {};
            for (int i = 0; i < 64; ++i)
                values[i] = table->quantval[i];
            tables.push_back(values);
        }
        return tables;
    }

    bool SetQuality(TTestCompressor& c, int quality)
    {
        if (setjmp(c.error.jump))
            return false;
        jpeg_create_compress(&c.cinfo);
        c.cinfo.in_color_space = JCS_RGB;
        c.cinfo.input_components = 3;
        jpeg_set_defaults(&c.cinfo);
        jpeg_set_quality(&c.cinfo, quality, TRUE);
        return true;
    }

} // namespace

Bytes EncodeGrayJpeg(int width, int height, const std::function<std::uint8_t(int, int)>& value)
{
    std::vector<std::uint8_t> pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels.push_back(value(x, y));
    return testing::EncodeTestPixels({ .Width = width,
                                         .Height = height,
                                         .Components = 1,
                                         .In = JCS_GRAYSCALE,
                                         .File = JCS_GRAYSCALE,
                                         .Quality = 95 },
        pixels.data(), static_cast<std::size_t>(width));
}

Bytes EncodeFourChannelJpeg(
    int width, int height, bool ycck, bool adobeMarker, const std::function<std::array<std::uint8_t, 4>(int, int)>& ink)
{
    std::vector<std::uint8_t> pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (std::uint8_t v : ink(x, y))
                pixels.push_back(v);
    return testing::EncodeTestPixels({ .Width = width,
                                         .Height = height,
                                         .Components = 4,
                                         .In = JCS_CMYK,
                                         .File = ycck ? JCS_YCCK : JCS_CMYK,
                                         .AdobeMarker = adobeMarker,
                                         .Quality = 95 },
        pixels.data(), static_cast<std::size_t>(width) * 4);
}

TJpegFacts InspectJpeg(const Bytes& file)
{
    TJpegFacts facts;
    TTestDecompressor d;
    if (!ReadHeader(d, file))
        return facts;
    facts.Valid = true;
    facts.Progressive = d.cinfo.progressive_mode;
    facts.Width = static_cast<int>(d.cinfo.image_width);
    facts.Height = static_cast<int>(d.cinfo.image_height);
    facts.Components = d.cinfo.num_components;
    facts.ColorSpace = d.cinfo.jpeg_color_space;
    facts.Tables = QuantTables(d.cinfo.quant_tbl_ptrs);
    return facts;
}

std::vector<std::array<std::uint16_t, 64>> ExpectedTables(int quality)
{
    TTestCompressor c;
    if (!SetQuality(c, quality))
        return {};
    return QuantTables(c.cinfo.quant_tbl_ptrs);
}

} // namespace korvo::testing
