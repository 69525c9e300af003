#include "fileio/Folder.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace korvo {

bool EnsureDirectory(const std::string& directory)
{
    std::error_code error;
    if (fs::is_directory(directory, error))
        return true;
    fs::create_directory(directory, error);
    return !error && fs::is_directory(directory, error);
}

} // namespace korvo
