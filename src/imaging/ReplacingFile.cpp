#include "imaging/ReplacingFile.h"

#include <cerrno>
#include <charconv>
#include <cstdint>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvo {

namespace {

    std::string DecimalText(std::uint64_t value)
    {
        char buffer[24];
        return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
    }

} // namespace

TReplacingFile::~TReplacingFile()
{
    if (m_file)
        std::fclose(m_file);
    if (!m_path.empty())
        ::unlink(m_path.c_str());
}

bool TReplacingFile::Create(const std::string& target)
{
    if (m_file || !m_path.empty())
        return false;
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : target.substr(0, slash + 1);
    const std::string_view name = std::string_view(target).substr(slash == std::string::npos ? 0 : slash + 1);
    if (name.empty() || name == "." || name == "..")
        return false;
    // Only a file or a link of that name is ever replaced: never a folder, and never a device, a
    // pipe or a socket (renaming over "/dev/full" would replace the device itself).
    struct stat status { };
    const bool exists = ::lstat(target.c_str(), &status) == 0;
    if (exists && !S_ISREG(status.st_mode) && !S_ISLNK(status.st_mode))
        return false;
    // A replaced file keeps its permissions; a new one gets what the umask allows.
    const bool replacesFile = exists && S_ISREG(status.st_mode);

    // Hidden, unique within the process and the machine, and short enough for any name limit.
    const std::string prefix = (slash == std::string::npos ? std::string() : folder) + "."
        + std::string(name.substr(0, 64)) + "." + DecimalText(static_cast<std::uint64_t>(::getpid())) + "-";
    for (std::uint64_t attempt = 0; attempt < 1000; ++attempt) {
        std::string path = prefix + DecimalText(attempt) + ".tmp";
        const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (descriptor < 0) {
            if (errno == EEXIST)
                continue;
            return false;
        }
        if (replacesFile)
            (void)::fchmod(descriptor, status.st_mode & 07777);
        m_file = ::fdopen(descriptor, "wb");
        if (!m_file) {
            ::close(descriptor);
            ::unlink(path.c_str());
            return false;
        }
        m_target = target;
        m_path = std::move(path);
        return true;
    }
    return false;
}

bool TReplacingFile::Commit()
{
    if (!m_file)
        return false;
    const bool flushed = std::fflush(m_file) == 0 && !std::ferror(m_file);
    const bool closed = std::fclose(m_file) == 0;
    m_file = nullptr;
    if (!flushed || !closed || ::rename(m_path.c_str(), m_target.c_str()) != 0)
        return false; // the destructor removes the hidden file
    m_path.clear();
    return true;
}

} // namespace korvo
