// What the fuzz targets of the container readers (HEIF, PNG, WebP) share: the input is a whole
// file, given as an exact-size copy so that a read one byte past the end is caught. A picture
// that comes back is a 24-bit picture of the size its header gave, within the pixel limit, that
// makes a list picture; the EXIF data kept stay within their limit and read without harm.

#pragma once

#include "FuzzSupport.h"
#include "exif/EXIF.h"
#include "exif/ExifValueText.h"
#include "imaging/Acquire.h"
#include "imaging/DecodedPicture.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

namespace korvo::fuzz {

// `read` is the reader's memory function: (data, size, scope, picture) → bool. `sameSize`: the
// decoded picture must have the size the header gave; a HEIF container may state another size
// than its coded image holds, and the reader then trusts the image.
template <class TRead> int FuzzContainer(const std::uint8_t* data, std::size_t size, TRead read, bool sameSize = true)
{
    const auto copy = std::make_unique<std::uint8_t[]>(size == 0 ? 1 : size);
    if (size > 0)
        std::memcpy(copy.get(), data, size);
    TDecodedPicture header;
    const bool headerRead = read(copy.get(), size, DecodeScope::HeaderOnly, header);
    if (headerRead) {
        Check(header.Width > 0 && header.Height > 0 && !header.Bitmap);
        Check(
            static_cast<std::uint64_t>(header.Width) * static_cast<std::uint64_t>(header.Height) <= TBitmap::MaxPixels);
        Check(header.Exif.size() <= KeptExifBytes);
        // The limit itself is tested elsewhere; here large pictures would only make runs slow.
        if (static_cast<std::uint64_t>(header.Width) * static_cast<std::uint64_t>(header.Height) > (1u << 22))
            return 0;
        if (auto block = ExifBlockFromTiff(header.Exif.data(), header.Exif.size())) {
            std::string date;
            std::string model;
            ReadExifDate(*block, date, model);
            ReadExifOrientation(*block);
            EnumerateExif(*block, [](std::uint16_t, std::uint32_t, const std::string& name, const std::string& text) {
                Check(!name.empty() && text.size() < 1u << 20);
            });
        }
    }
    TDecodedPicture picture;
    if (!read(copy.get(), size, DecodeScope::Pixels, picture))
        return 0;
    Check(headerRead && picture.Bitmap && picture.Bitmap->Format() == PixelFormat::Bgr24);
    Check(picture.Bitmap->Width() == picture.Width && picture.Bitmap->Height() == picture.Height);
    Check(!sameSize || (picture.Width == header.Width && picture.Height == header.Height));
    Check(static_cast<std::uint64_t>(picture.Width) * static_cast<std::uint64_t>(picture.Height) <= TBitmap::MaxPixels);
    Check(MakeListPicture(*picture.Bitmap) != nullptr);
    return 0;
}

} // namespace korvo::fuzz
