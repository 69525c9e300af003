#include "album/HtmlFile.h"

#include "markup/Charset.h"
#include "model/TextRules.h"

#include <cerrno>

namespace korvo {

namespace {

    [[noreturn]] void Fail(const std::string& what, const std::string& path, TFailure failure)
    {
        throw THtmlWriteError(what + " " + path + ": " + FailureText(failure), std::move(failure));
    }

} // namespace

THtmlFile::THtmlFile(const std::string& path, const TReplaceOptions& options, PageCharset charset)
    : m_path(path)
    , m_options(options)
    , m_keepUnchanged(options.KeepUnchanged)
    , m_charset(charset)
{
    if (!m_keepUnchanged && !m_file.Create(path, options))
        Fail("cannot create", path, m_file.Failure());
}

void THtmlFile::WriteBytes(std::string_view bytes)
{
    if (m_keepUnchanged) {
        if (m_closed)
            throw THtmlWriteError("write after close: " + m_path);
        m_bytes.append(bytes);
        return;
    }
    std::FILE* file = m_file.File();
    if (!file)
        throw THtmlWriteError("write after close: " + m_path);
    if ((!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) || std::ferror(file)) {
        m_file.WriteFailed(errno);
        Fail("cannot write", m_path, m_file.Failure());
    }
}

void THtmlFile::Write(std::string_view text)
{
    // A file name that is no UTF-8 shows U+FFFD for each broken piece, as the log does.
    if (m_charset == PageCharset::Utf8)
        IsValidUtf8(text) ? WriteBytes(text) : WriteBytes(ReplaceInvalidUtf8(text));
    else
        WriteBytes(Utf8ToWindows1250(text));
}

void THtmlFile::Line(std::string_view text)
{
    Write(text);
    WriteBytes("\r\n");
}

void THtmlFile::Close()
{
    if (m_keepUnchanged) {
        if (m_closed)
            return;
        m_closed = true;
        TFailure failure;
        if (!ReplaceFileContents(m_path, m_bytes, m_options, &m_stamp, &failure))
            Fail("cannot write", m_path, std::move(failure));
        return;
    }
    if (!m_file.File())
        return;
    if (!m_file.Commit())
        Fail("cannot write", m_path, m_file.Failure());
}

} // namespace korvo
