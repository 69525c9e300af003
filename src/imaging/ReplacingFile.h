#pragma once

// Writing an output file of the album so that a failure never leaves a file that looks
// finished: the bytes go to a hidden file beside the target, which replaces the target only
// once it is complete, and is removed otherwise. An existing picture or page of that name stays
// exactly as it was until then. A symbolic link of the target's name is replaced itself, never
// written through, so no link in the album folder can direct a write elsewhere; folders,
// devices and pipes of the target's name are never replaced.

#include <cstdio>
#include <string>

namespace korvo {

class TReplacingFile {
public:
    TReplacingFile() = default;
    // Removes the hidden file unless it was committed.
    ~TReplacingFile();
    TReplacingFile(const TReplacingFile&) = delete;
    TReplacingFile& operator=(const TReplacingFile&) = delete;

    // Creates the hidden file for `target`; false when the folder cannot take it, the name is no
    // file name, or the target is something other than a file or a link (a folder, a device).
    bool Create(const std::string& target);
    // The open hidden file, for binary writing; nullptr before Create and after Commit.
    std::FILE* File() const { return m_file; }
    // Flushes and closes the hidden file and renames it over the target. False (and the hidden
    // file removed) when a write failed on the way, the disk is full or the target is a folder.
    bool Commit();

private:
    std::string m_target;
    std::string m_path;
    std::FILE* m_file = nullptr;
};

} // namespace korvo
