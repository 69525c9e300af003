#include "bench/Photos.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace korvo::bench {

namespace {

    // A hash of a lattice point: the same value for the same arguments everywhere.
    float Lattice(std::int32_t x, std::int32_t y, std::uint32_t salt)
    {
        std::uint32_t h = static_cast<std::uint32_t>(x) * 0x8da6b343u ^ static_cast<std::uint32_t>(y) * 0xd8163841u
            ^ salt * 0xcb1ab31fu;
        h ^= h >> 13;
        h *= 0x5bd1e995u;
        h ^= h >> 15;
        return static_cast<float>(h & 0xFFFFFF) / static_cast<float>(0x1000000);
    }

    float Smooth(float t) { return t * t * (3.0f - 2.0f * t); }

    // Value noise in 0 … 1 with features about `scale` pixels apart.
    float Noise(float x, float y, float scale, std::uint32_t salt)
    {
        const float fx = x / scale;
        const float fy = y / scale;
        const auto ix = static_cast<std::int32_t>(std::floor(fx));
        const auto iy = static_cast<std::int32_t>(std::floor(fy));
        const float tx = Smooth(fx - static_cast<float>(ix));
        const float ty = Smooth(fy - static_cast<float>(iy));
        const float a = Lattice(ix, iy, salt);
        const float b = Lattice(ix + 1, iy, salt);
        const float c = Lattice(ix, iy + 1, salt);
        const float d = Lattice(ix + 1, iy + 1, salt);
        const float top = a + (b - a) * tx;
        const float bottom = c + (d - c) * tx;
        return top + (bottom - top) * ty;
    }

    std::uint8_t Clamp(float v) { return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0f, 255.0f))); }

    void Append16(std::vector<std::uint8_t>& out, std::uint16_t v)
    {
        out.push_back(static_cast<std::uint8_t>(v & 0xFF));
        out.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    void Append32(std::vector<std::uint8_t>& out, std::uint32_t v)
    {
        Append16(out, static_cast<std::uint16_t>(v & 0xFFFF));
        Append16(out, static_cast<std::uint16_t>(v >> 16));
    }

} // namespace

BitmapPtr MakePhoto(int number, int width, int height)
{
    BitmapPtr photo = TBitmap::Create(width, height);
    if (!photo)
        return nullptr;
    const auto salt = static_cast<std::uint32_t>(number) * 7919u + 17u;
    const float scale = static_cast<float>(std::max(width, height)) / 4000.0f;
    // The ridge line of the hills, per column.
    std::vector<float> ridge(static_cast<std::size_t>(width));
    for (int x = 0; x < width; ++x) {
        const auto fx = static_cast<float>(x);
        ridge[x] = static_cast<float>(height)
            * (0.45f + 0.18f * Noise(fx, 0.0f, 900.0f * scale, salt) + 0.05f * Noise(fx, 0.0f, 120.0f * scale, salt + 1)
                - 0.1f);
    }
    const float warm = 0.6f + 0.4f * Lattice(number, 3, 99);
    std::uint32_t grain = salt | 1u;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = photo->Row(y);
        const auto fy = static_cast<float>(y);
        const float v = fy / static_cast<float>(height);
        for (int x = 0; x < width; ++x) {
            const auto fx = static_cast<float>(x);
            float r, g, b;
            if (fy < ridge[x]) {
                // Sky: a gradient with soft clouds.
                const float cloud = std::max(0.0f,
                    Noise(fx, fy, 500.0f * scale, salt + 2) * 0.7f + Noise(fx, fy, 90.0f * scale, salt + 3) * 0.3f
                        - 0.45f);
                b = 235.0f - 60.0f * v + 200.0f * cloud;
                g = 170.0f - 30.0f * v + 260.0f * cloud;
                r = 110.0f * warm + 280.0f * cloud;
            } else {
                // Ground: fields and bushes with texture down to a few pixels.
                const float depth = (fy - ridge[x]) / static_cast<float>(height);
                const float field = Noise(fx, fy, 300.0f * scale, salt + 4);
                const float texture = Noise(fx, fy, 40.0f * scale, salt + 5) * 0.5f
                    + Noise(fx, fy, 9.0f * scale, salt + 6) * 0.3f + Noise(fx, fy, 3.0f, salt + 7) * 0.2f;
                const float light = 0.55f + 0.6f * texture + 0.4f * depth;
                r = (70.0f + 90.0f * field * warm) * light;
                g = (95.0f + 60.0f * (1.0f - field)) * light;
                b = (40.0f + 30.0f * field) * light;
            }
            // Sensor grain: mostly brightness, a little colour.
            grain = grain * 1664525u + 1013904223u;
            const float luma = static_cast<float>(static_cast<int>(grain >> 28) - 8) * 0.8f;
            const float chroma = static_cast<float>(static_cast<int>((grain >> 24) & 3u) - 1) * 0.7f;
            row[3 * x + 0] = Clamp(b + luma - chroma);
            row[3 * x + 1] = Clamp(g + luma);
            row[3 * x + 2] = Clamp(r + luma + chroma);
        }
    }
    return photo;
}

std::vector<std::uint8_t> MakeCameraExif(int number)
{
    // Little-endian TIFF: IFD0 with Make, Model, DateTime and a pointer to the Exif directory,
    // which holds DateTimeOriginal. Texts over four bytes live behind the directories.
    struct Entry {
        std::uint16_t Tag;
        std::string Text;
    };
    const std::string date = "2024:05:" + std::string(number % 28 + 1 < 10 ? "0" : "") + std::to_string(number % 28 + 1)
        + " 10:" + std::to_string(10 + number % 50) + ":00";
    const Entry ifd0[] = { { 0x010F, "Korvo" }, { 0x0110, "Testkamera 12" }, { 0x0132, date } };
    const Entry exif[] = { { 0x9003, date } };
    const std::uint32_t ifd0Size = 2 + 12 * 4 + 4;
    const std::uint32_t exifSize = 2 + 12 * 1 + 4;
    std::uint32_t dataOffset = 8 + ifd0Size + exifSize;
    std::vector<std::uint8_t> tiff { 'I', 'I', 42, 0, 8, 0, 0, 0 };
    std::vector<std::uint8_t> data;
    auto writeEntries = [&](const auto& entries, std::uint16_t count) {
        Append16(tiff, count);
        for (const Entry& entry : entries) {
            Append16(tiff, entry.Tag);
            Append16(tiff, 2); // ASCII
            Append32(tiff, static_cast<std::uint32_t>(entry.Text.size() + 1));
            Append32(tiff, dataOffset + static_cast<std::uint32_t>(data.size()));
            data.insert(data.end(), entry.Text.begin(), entry.Text.end());
            data.push_back(0);
        }
    };
    writeEntries(ifd0, 4);
    Append16(tiff, 0x8769); // ExifOffset
    Append16(tiff, 4);
    Append32(tiff, 1);
    Append32(tiff, 8 + ifd0Size);
    Append32(tiff, 0); // no next IFD
    writeEntries(exif, 1);
    Append32(tiff, 0);
    tiff.insert(tiff.end(), data.begin(), data.end());

    std::vector<std::uint8_t> segment { 0xFF, 0xE1 };
    const auto length = static_cast<std::uint16_t>(2 + 6 + tiff.size());
    segment.push_back(static_cast<std::uint8_t>(length >> 8));
    segment.push_back(static_cast<std::uint8_t>(length & 0xFF));
    for (char c : { 'E', 'x', 'i', 'f', '\0', '\0' })
        segment.push_back(static_cast<std::uint8_t>(c));
    segment.insert(segment.end(), tiff.begin(), tiff.end());
    return segment;
}

void InsertSegment(std::vector<std::uint8_t>& jpeg, const std::vector<std::uint8_t>& segment)
{
    if (jpeg.size() >= 2)
        jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
}

} // namespace korvo::bench
