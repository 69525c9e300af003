#pragma once

// One HTML page being written: filled line by line with CR LF line ends, and converted on the
// way from the program's UTF-8 to the windows-1250 bytes that the classic page head declares
// (modern pages stay UTF-8). Every
// write is checked; a failing one raises THtmlWriteError, which the album run catches. The page
// takes the place of an earlier one of its name only when Close has written it completely: a
// page that fails half-way leaves nothing of itself behind, and the earlier page stays.

#include "fileio/ReplacingFile.h"

#include <stdexcept>
#include <string>
#include <string_view>

namespace korvo {

class THtmlWriteError : public std::runtime_error {
public:
    explicit THtmlWriteError(const std::string& what, TFailure failure = { FailureReason::Unknown, {} })
        : std::runtime_error(what)
        , m_failure(std::move(failure))
    {
    }
    // Why the page could not be written.
    const TFailure& Failure() const { return m_failure; }

private:
    TFailure m_failure;
};

enum class PageCharset { Windows1250, Utf8 };

class THtmlFile {
public:
    // Starts the page; raises THtmlWriteError when its file cannot be created. With
    // KeepUnchanged the page is made in memory and written only when its bytes differ from the
    // file of its name, which then keeps its time.
    explicit THtmlFile(
        const std::string& path, const TReplaceOptions& options = {}, PageCharset charset = PageCharset::Windows1250);

    // Text without a line end; the next write continues the same line.
    void Write(std::string_view text);
    // Text followed by CR LF.
    void Line(std::string_view text = {});
    // Completes the page and puts it in place; raises when it could not be written completely.
    void Close();
    // Size and time of the page as Close left it.
    const FileStamp& Stamp() const { return m_keepUnchanged ? m_stamp : m_file.Stamp(); }

private:
    void WriteBytes(std::string_view bytes);

    std::string m_path;
    TReplacingFile m_file;
    TReplaceOptions m_options;
    bool m_keepUnchanged = false;
    bool m_closed = false;
    PageCharset m_charset;
    std::string m_bytes; // the page so far, when kept in memory
    FileStamp m_stamp;
};

} // namespace korvo
