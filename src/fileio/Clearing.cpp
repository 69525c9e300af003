#include "fileio/Clearing.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace korvo {

namespace {

    bool HasExtension(const fs::path& path, std::string_view extension)
    {
        std::string found = path.extension().string();
        std::transform(found.begin(), found.end(), found.begin(),
            [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
        return found == extension;
    }

} // namespace

void DeleteFilesByExtension(
    const std::string& directory, std::initializer_list<std::string_view> extensions, bool skipLinkedFolder)
{
    std::error_code error;
    // An own picture folder that is a link may lead anywhere, the user's photo collection
    // included: never clear through it.
    const fs::path dir(directory);
    if (skipLinkedFolder && fs::is_symlink(dir.has_filename() ? dir : dir.parent_path(), error))
        return;
    for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
        const fs::file_status status = it->symlink_status(error);
        if (error) {
            error.clear();
            continue;
        }
        if (!fs::is_regular_file(status) && !fs::is_symlink(status))
            continue;
        for (std::string_view extension : extensions) {
            if (HasExtension(it->path(), extension)) {
                std::error_code ignored;
                fs::remove(it->path(), ignored);
                break;
            }
        }
    }
}

} // namespace korvo
