// What every fuzz target shares: the oracle's check and a scratch folder for targets that write.

#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include <stdlib.h>

namespace korvo::fuzz {

// A broken promise is a finding: trap, so that libFuzzer saves the input.
inline void Check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

// A folder of this process on a memory file system (disk writes would slow every run), removed
// when the process ends. One per process: the first call's name part wins.
inline const std::string& ScratchFolder(const char* name)
{
    class TScratchFolder {
    public:
        explicit TScratchFolder(const char* name)
        {
            std::string pattern = std::string("/dev/shm/korvo-") + name + "-fuzz-XXXXXX";
            if (!::mkdtemp(pattern.data()))
                std::abort();
            m_path = pattern;
        }
        ~TScratchFolder()
        {
            std::error_code ignored;
            std::filesystem::remove_all(m_path, ignored);
        }
        const std::string& Path() const { return m_path; }

    private:
        std::string m_path;
    };
    static const TScratchFolder folder(name);
    return folder.Path();
}

} // namespace korvo::fuzz
