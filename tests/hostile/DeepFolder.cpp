#include "hostile/DeepFolder.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <stdexcept>

namespace korvo::testing {

namespace {

    // Empties the folder behind `folder` (a handle it then closes) and everything below it.
    void RemoveContents(int folder)
    {
        DIR* listing = ::fdopendir(folder);
        if (!listing) {
            ::close(folder);
            return;
        }
        std::vector<std::pair<std::string, bool>> entries;
        while (const dirent* entry = ::readdir(listing)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
                entries.push_back({ name, entry->d_type == DT_DIR });
        }
        for (const auto& [name, isFolder] : entries) {
            if (isFolder) {
                const int inner = ::openat(::dirfd(listing), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
                if (inner >= 0)
                    RemoveContents(inner);
                ::unlinkat(::dirfd(listing), name.c_str(), AT_REMOVEDIR);
            } else {
                ::unlinkat(::dirfd(listing), name.c_str(), 0);
            }
        }
        ::closedir(listing);
    }

    // A handle of the innermost folder, opened one level at a time.
    int OpenInnermost(const std::string& base, const std::string& name, int levels)
    {
        int folder = ::open(base.c_str(), O_RDONLY | O_DIRECTORY);
        for (int level = 0; level < levels && folder >= 0; ++level) {
            const int inner = ::openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY);
            ::close(folder);
            folder = inner;
        }
        return folder;
    }

} // namespace

TDeepFolder::TDeepFolder(const std::string& base, int levels, int nameLength)
    : m_base(base)
    , m_name(static_cast<std::size_t>(nameLength), 'd')
    , m_levels(levels)
    , m_path(base)
{
    int folder = ::open(base.c_str(), O_RDONLY | O_DIRECTORY);
    for (int level = 0; level < levels; ++level) {
        if (folder < 0 || (::mkdirat(folder, m_name.c_str(), 0755) != 0 && errno != EEXIST))
            throw std::runtime_error("deep folder not made");
        const int inner = ::openat(folder, m_name.c_str(), O_RDONLY | O_DIRECTORY);
        ::close(folder);
        folder = inner;
        m_path += "/" + m_name;
    }
    if (folder >= 0)
        ::close(folder);
}

TDeepFolder::~TDeepFolder()
{
    const int base = ::open(m_base.c_str(), O_RDONLY | O_DIRECTORY);
    if (base < 0)
        return;
    const int first = ::openat(base, m_name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
    if (first >= 0)
        RemoveContents(first);
    ::unlinkat(base, m_name.c_str(), AT_REMOVEDIR);
    ::close(base);
}

void TDeepFolder::Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const
{
    const int folder = OpenInnermost(m_base, m_name, m_levels);
    const int file = ::openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const bool written = file >= 0 && ::write(file, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    if (file >= 0)
        ::close(file);
    ::close(folder);
    if (!written)
        throw std::runtime_error("file in deep folder not written");
}

bool TDeepFolder::Holds(const std::string& name) const
{
    const int folder = OpenInnermost(m_base, m_name, m_levels);
    struct stat status { };
    const bool found = folder >= 0 && ::fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0;
    if (folder >= 0)
        ::close(folder);
    return found;
}

} // namespace korvo::testing
