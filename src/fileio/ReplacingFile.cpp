#include "fileio/ReplacingFile.h"

#include "fileio/FileDescriptor.h"
#include "fileio/OpenFile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdlib>

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

    // The file a link of this name points to; the path itself when it is no link or the link
    // leads nowhere (then the link is replaced).
    std::string ResolveLink(const std::string& path)
    {
        struct stat status { };
        if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode))
            return path;
        char* resolved = ::realpath(path.c_str(), nullptr);
        if (resolved == nullptr)
            return path;
        std::string result(resolved);
        std::free(resolved);
        return result;
    }

    // Whether `path` is a regular file (not a link) holding exactly `bytes`; `stamp` then
    // receives its stamp.
    bool HoldsBytes(const std::string& path, std::string_view bytes, FileStamp* stamp)
    {
        // A larger file fails the read, a smaller one the comparison.
        std::string present;
        FileStamp seen;
        if (!ReadWholeUnlinkedFile(path, bytes.size(), present, &seen) || present != bytes)
            return false;
        if (stamp)
            *stamp = seen;
        return true;
    }

} // namespace

TReplacingFile::~TReplacingFile()
{
    if (m_file)
        std::fclose(m_file);
    if (!m_path.empty())
        ::unlink(m_path.c_str());
}

bool TReplacingFile::Create(const std::string& requested, const TReplaceOptions& options)
{
    if (m_file || !m_path.empty())
        return false;
    const std::string target = options.FollowLink ? ResolveLink(requested) : requested;
    const std::size_t slash = target.rfind('/');
    const std::string_view name = std::string_view(target).substr(slash == std::string::npos ? 0 : slash + 1);
    if (name.empty() || name == "." || name == "..") {
        m_failure = { FailureReason::NotAFile, {} };
        return false;
    }
    struct stat status { };
    const bool exists = ::lstat(target.c_str(), &status) == 0;
    if (exists && !S_ISREG(status.st_mode) && !S_ISLNK(status.st_mode)) {
        m_failure = { FailureReason::NotAFile, {} };
        return false;
    }
    // A replaced file keeps its permissions; a new one gets what the umask allows.
    const bool replacesFile = exists && S_ISREG(status.st_mode);

    // Hidden, unique within the process and the machine, and short enough for any name limit.
    const std::string prefix = (slash == std::string::npos ? std::string() : target.substr(0, slash + 1)) + "."
        + std::string(name.substr(0, 64)) + "." + DecimalText(static_cast<std::uint64_t>(::getpid())) + "-";
    for (std::uint64_t attempt = 0; attempt < 1000; ++attempt) {
        std::string path = prefix + DecimalText(attempt) + ".tmp";
        TFileDescriptor descriptor(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666));
        if (!descriptor.Valid()) {
            if (errno == EEXIST)
                continue;
            m_failure = WriteFailure(errno);
            return false;
        }
        if (replacesFile)
            (void)::fchmod(descriptor.Get(), status.st_mode & 07777);
        m_file = ::fdopen(descriptor.Get(), "wb");
        if (!m_file) {
            m_failure = WriteFailure(errno);
            descriptor.Close();
            ::unlink(path.c_str());
            return false;
        }
        descriptor.Release();
        m_target = target;
        m_path = std::move(path);
        m_durable = options.Durable;
        m_beforeRename = options.BeforeRename;
        return true;
    }
    m_failure = { FailureReason::Unknown, {} };
    return false;
}

bool TReplacingFile::Commit()
{
    if (!m_file)
        return false;
    // The first failing call's error number is the reason; a write that failed earlier left its
    // own in m_failure (WriteFailed) and the stream's error flag.
    auto failed = [this] {
        if (!m_failure)
            m_failure = WriteFailure(errno);
        return false;
    };
    bool flushed = std::fflush(m_file) == 0 || failed();
    flushed = flushed && (!std::ferror(m_file) || failed());
    if (flushed && m_durable)
        flushed = ::fsync(::fileno(m_file)) == 0 || failed();
    // Closing and renaming change neither the size nor the modification time.
    struct stat status { };
    if (flushed)
        flushed = ::fstat(::fileno(m_file), &status) == 0 || failed();
    const bool closed = std::fclose(m_file) == 0 || failed();
    m_file = nullptr;
    if (flushed && closed && m_beforeRename)
        m_beforeRename(StampOf(status));
    if (!flushed || !closed || ::rename(m_path.c_str(), m_target.c_str()) != 0)
        return failed(); // the destructor removes the hidden file
    m_path.clear();
    m_stamp = StampOf(status);
    if (m_durable) {
        // Makes the rename itself durable; the file is complete either way.
        const std::size_t slash = m_target.rfind('/');
        const std::string folder = slash == std::string::npos ? "." : m_target.substr(0, slash == 0 ? 1 : slash);
        const TFileDescriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (directory.Valid())
            (void)::fsync(directory.Get());
    }
    return true;
}

bool IsReplacingFileName(std::string_view name, long* pid)
{
    if (name.size() < 9 || name.front() != '.' || !name.ends_with(".tmp"))
        return false;
    name.remove_suffix(4);
    const std::size_t dash = name.rfind('-');
    const std::size_t dot = name.rfind('.', dash);
    auto digits = [](std::string_view text) {
        return !text.empty() && text.size() <= 18
            && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (dash == std::string_view::npos || dot == std::string_view::npos || dot < 2 || dot - 1 > 64
        || !digits(name.substr(dot + 1, dash - dot - 1)) || !digits(name.substr(dash + 1)))
        return false;
    if (pid)
        std::from_chars(name.data() + dot + 1, name.data() + dash, *pid);
    return true;
}

bool ReplaceFileContents(const std::string& target, std::string_view bytes, const TReplaceOptions& options,
    FileStamp* written, TFailure* failure)
{
    if (options.KeepUnchanged && HoldsBytes(target, bytes, written))
        return true;
    TReplacingFile file;
    // A full disk can still show up when the file is flushed and closed, which Commit checks.
    if (!file.Create(target, options)
        || (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file.File()) != bytes.size()
            && !file.WriteFailed(errno))
        || !file.Commit()) {
        if (failure)
            *failure = file.Failure();
        return false;
    }
    if (written)
        *written = file.Stamp();
    return true;
}

} // namespace korvo
