#pragma once

// Writing a file so that a failure never leaves one that looks finished: the bytes go to a
// hidden file beside the target, which replaces the target only once it is complete, and is
// removed otherwise. An existing file of that name stays exactly as it was until then. Only a
// regular file or a link of the target's name is ever replaced: never a folder, and never a
// device, a pipe or a socket (renaming over "/dev/full" would replace the device itself).
//
// A link of the target's name is replaced itself, never written through, so no link in the
// album folder can direct a write elsewhere. A project file the user keeps behind a link is the
// one exception (FollowLink): there the file the link points to is replaced.

#include "fileio/Failure.h"
#include "fileio/FileStamp.h"

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace korvo {

struct TReplaceOptions {
    // Replace the file that a link of the target's name points to, not the link.
    bool FollowLink = false;
    // Flush the file and the folder's entry to disk before Commit returns.
    bool Durable = false;
    // ReplaceFileContents only: a target that already is a regular file (not a link) with
    // exactly these bytes is left untouched, keeping its time.
    bool KeepUnchanged = false;
    // Told the stamp of the complete file just before it takes the target's place, so that a
    // journal can name it even when the process dies right after the rename.
    std::function<void(const FileStamp&)> BeforeRename {};
};

class TReplacingFile {
public:
    TReplacingFile() = default;
    // Removes the hidden file unless it was committed.
    ~TReplacingFile();
    TReplacingFile(const TReplacingFile&) = delete;
    TReplacingFile& operator=(const TReplacingFile&) = delete;

    // Creates the hidden file for `target`; false when the folder cannot take it, the name is no
    // file name, or the target is something other than a file or a link (a folder, a device).
    bool Create(const std::string& target, const TReplaceOptions& options = {});
    // The open hidden file, for binary writing; nullptr before Create and after Commit.
    std::FILE* File() const { return m_file; }
    // Flushes and closes the hidden file and renames it over the target. False (and the hidden
    // file removed) when a write failed on the way, the disk is full or the target is a folder.
    bool Commit();
    // Size and modification time of the file as Commit left it (valid after a successful Commit).
    const FileStamp& Stamp() const { return m_stamp; }
    // Why Create or Commit failed, or a write to File() that the caller reported (WriteFailed,
    // with the write's errno; returns false for use in a condition).
    const TFailure& Failure() const { return m_failure; }
    bool WriteFailed(int error)
    {
        if (!m_failure)
            m_failure = WriteFailure(error);
        return false;
    }

private:
    std::string m_target;
    std::string m_path;
    std::FILE* m_file = nullptr;
    bool m_durable = false;
    std::function<void(const FileStamp&)> m_beforeRename;
    FileStamp m_stamp;
    TFailure m_failure;
};

// Whether `name` is that of a hidden file this class writes beside its target
// (".name.PID-N.tmp"); `pid` receives the writing process.
bool IsReplacingFileName(std::string_view name, long* pid = nullptr);

// The whole file in one go, through TReplacingFile; `written` receives its stamp on success
// (with KeepUnchanged, also that of the file left as it was), `failure` the reason of a failure.
bool ReplaceFileContents(const std::string& target, std::string_view bytes, const TReplaceOptions& options = {},
    FileStamp* written = nullptr, TFailure* failure = nullptr);

} // namespace korvo
