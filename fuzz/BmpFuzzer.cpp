// libFuzzer entry for the BMP reader: the input is a whole file. A picture that comes back has a
// size inside the limits and can be turned into 24 bits and a list picture; every read stays
// inside the input (AddressSanitizer watches the copy it is given).

#include "FuzzSupport.h"
#include "imaging/Acquire.h"
#include "imaging/Bmp.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

using korvo::fuzz::Check;

namespace {

std::int64_t Header32(const std::uint8_t* data, std::size_t at)
{
    return static_cast<std::int32_t>(
        data[at] | (data[at + 1] << 8) | (data[at + 2] << 16) | (static_cast<std::uint32_t>(data[at + 3]) << 24));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Run-length files may claim up to the reader's 512-megapixel limit from a few bytes; the
    // limit itself is tested elsewhere, here it would only make the runs slow.
    if (size >= 26) {
        const std::int64_t width = Header32(data, 18);
        const std::int64_t height = Header32(data, 22);
        if (std::llabs(width) * std::llabs(height) > (std::int64_t { 1 } << 22))
            return 0;
    }
    // An exact-size copy, so that a read one byte past the end is caught.
    const auto copy = std::make_unique<std::uint8_t[]>(size == 0 ? 1 : size);
    if (size > 0)
        std::memcpy(copy.get(), data, size);
    korvo::BitmapPtr bitmap = korvo::ReadBmpMemory(copy.get(), size);
    if (!bitmap)
        return 0;
    Check(bitmap->Width() > 0 && bitmap->Height() > 0);
    Check(static_cast<std::uint64_t>(bitmap->Width()) * static_cast<std::uint64_t>(bitmap->Height())
        <= korvo::TBitmap::MaxPixels);
    Check(bitmap->SwitchTo24());
    Check(korvo::MakeListPicture(*bitmap) != nullptr);
    return 0;
}
