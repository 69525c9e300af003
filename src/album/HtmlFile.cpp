#include "album/HtmlFile.h"

#include "project/Charset.h"

#include <cerrno>
#include <cstring>

namespace korvo {

namespace {

    [[noreturn]] void Fail(const std::string& what, const std::string& path)
    {
        throw THtmlWriteError(what + " " + path + ": " + std::strerror(errno));
    }

} // namespace

THtmlFile::THtmlFile(const std::string& path)
    : m_path(path)
    , m_file(std::fopen(path.c_str(), "wb"))
{
    if (!m_file)
        Fail("cannot create", path);
}

void THtmlFile::WriteBytes(std::string_view bytes)
{
    if (!m_file)
        throw THtmlWriteError("write after close: " + m_path);
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), m_file.get()) != bytes.size())
        Fail("cannot write", m_path);
    if (std::ferror(m_file.get()))
        Fail("cannot write", m_path);
}

void THtmlFile::Write(std::string_view text) { WriteBytes(Utf8ToWindows1250(text)); }

void THtmlFile::Line(std::string_view text)
{
    Write(text);
    WriteBytes("\r\n");
}

void THtmlFile::Close()
{
    if (!m_file)
        return;
    const bool flushed = std::fflush(m_file.get()) == 0 && !std::ferror(m_file.get());
    const bool closed = std::fclose(m_file.release()) == 0;
    if (!flushed || !closed)
        Fail("cannot write", m_path);
}

} // namespace korvo
