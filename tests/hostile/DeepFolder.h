#pragma once

// A chain of folders whose full path is longer than the system's limit (PATH_MAX), made and
// removed through folder handles, since no call that takes the whole path can reach into it.

#include <cstdint>
#include <string>
#include <vector>

namespace korvo::testing {

class TDeepFolder {
public:
    // Creates `levels` nested folders of `nameLength` characters each below `base`.
    TDeepFolder(const std::string& base, int levels, int nameLength);
    ~TDeepFolder();
    TDeepFolder(const TDeepFolder&) = delete;
    TDeepFolder& operator=(const TDeepFolder&) = delete;

    // The full path of the innermost folder.
    const std::string& Path() const { return m_path; }
    // Writes a file into the innermost folder.
    void Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const;
    // Whether the innermost folder holds an entry of this name.
    bool Holds(const std::string& name) const;

private:
    std::string m_base;
    std::string m_name;
    int m_levels;
    std::string m_path;
};

} // namespace korvo::testing
