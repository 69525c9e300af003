#include "model/EncodedPicture.h"

namespace korvo {

const TBitmap* TEncodedPicture::Picture()
{
    if (!m_decoded) {
        m_decoded = true;
        if (m_decode)
            m_picture = m_decode(m_bytes);
        std::vector<std::uint8_t>().swap(m_bytes);
    }
    return m_picture.get();
}

} // namespace korvo
