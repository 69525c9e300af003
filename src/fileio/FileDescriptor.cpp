#include "fileio/FileDescriptor.h"

#include <unistd.h>

namespace korvo {

bool TFileDescriptor::Close()
{
    if (m_descriptor < 0)
        return true;
    const int result = ::close(std::exchange(m_descriptor, -1));
    return result == 0;
}

} // namespace korvo
