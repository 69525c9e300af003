#pragma once

// A fresh folder under the system's temporary folder, removed with everything in it at the end
// of the test.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <sys/stat.h>

namespace korvo::testing {

class TTempDir {
public:
    TTempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "korvo-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            m_path = pattern;
    }
    ~TTempDir()
    {
        std::error_code ignored;
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(m_path, ignored);
    }
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    const std::string& Path() const { return m_path; }
    std::string operator/(std::string_view name) const { return m_path + "/" + std::string(name); }
    std::string File(std::string_view name) const { return *this / name; }

private:
    std::string m_path;
};

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<std::uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Throws when the file cannot be written: a test input that is not there would test nothing.
inline void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

// The names of the entries of a folder, sorted.
inline std::vector<std::string> FileNamesIn(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

struct FileBelow {
    std::string Bytes;
    std::int64_t ModifiedNanoseconds = 0;
};

// Every regular file below `folder` (links not followed) but `leftOut`, by relative path.
inline std::map<std::string, FileBelow> FilesBelow(const std::string& folder, std::string_view leftOut = {})
{
    std::map<std::string, FileBelow> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        struct stat status { };
        const std::string path = std::filesystem::relative(entry.path(), folder).string();
        if (path != leftOut && ::lstat(entry.path().c_str(), &status) == 0 && S_ISREG(status.st_mode))
            files[path] = { ReadFile(entry.path()), status.st_mtim.tv_sec * 1'000'000'000ll + status.st_mtim.tv_nsec };
    }
    return files;
}

} // namespace korvo::testing
