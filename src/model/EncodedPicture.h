#pragma once

// A picture kept in its compact encoded form until it is first drawn. A long image list holds
// thousands of list pictures, of which only the rows on screen are ever painted at first; the
// encoded form is a fifth of the pixels' size and costs nothing to make when it was stored so.

#include "model/Bitmap.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace korvo {

class TEncodedPicture {
public:
    // Whoever encoded the bytes knows their format; nullptr when they do not decode.
    using Decoder = BitmapPtr (*)(const std::vector<std::uint8_t>& bytes);

    TEncodedPicture(std::vector<std::uint8_t> bytes, Decoder decode)
        : m_bytes(std::move(bytes))
        , m_decode(decode)
    {
    }
    TEncodedPicture(const TEncodedPicture&) = delete;
    TEncodedPicture& operator=(const TEncodedPicture&) = delete;

    // The picture, decoded on the first call and then kept (the bytes are let go); nullptr when
    // it does not decode. Only the thread that owns the image list calls it.
    const TBitmap* Picture();
    bool Decoded() const { return m_decoded; }

private:
    std::vector<std::uint8_t> m_bytes;
    Decoder m_decode;
    bool m_decoded = false;
    BitmapPtr m_picture;
};

} // namespace korvo
