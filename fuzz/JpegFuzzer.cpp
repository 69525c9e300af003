// libFuzzer entry for the JPEG decoding wrapper: the first input byte chooses the inverse DCT and
// the encoding settings, the rest is a whole file. A picture that comes back has the size its header gives, and
// encodes and decodes again to the same size.

#include "FuzzSupport.h"
#include "imaging/Jpeg.h"

#include <cstdint>
#include <vector>

using korvo::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::uint8_t selector = data[0];
    const korvo::DctMethod method = (selector & 1) ? korvo::DctMethod::Fast : korvo::DctMethod::Float;
    ++data;
    --size;
    int width = 0;
    int height = 0;
    const bool header = korvo::ReadJpegSizeMemory(data, size, width, height);
    // Headers may claim up to the 512-megapixel limit; fuzzing the pixels needs small ones.
    if (header && static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) > (1u << 22))
        return 0;

    korvo::BitmapPtr bitmap = korvo::DecodeJpegMemory(data, size, method);
    if (!bitmap)
        return 0;
    Check(header && bitmap->Width() == width && bitmap->Height() == height);
    Check(bitmap->Format() == korvo::PixelFormat::Bgr24);

    std::vector<std::uint8_t> encoded;
    Check(korvo::EncodeJpegMemory(*bitmap, 1 + (selector >> 1) % 99, (selector & 0x80) != 0, encoded));
    korvo::BitmapPtr again = korvo::DecodeJpegMemory(encoded.data(), encoded.size(), method);
    Check(again && again->Width() == width && again->Height() == height);
    return 0;
}
