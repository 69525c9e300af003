#pragma once

// One HTML page being written: created or replaced, filled line by line with CR LF line ends,
// and converted on the way from the program's UTF-8 to the windows-1250 bytes that the page
// head declares. Every write is checked; a failing one raises THtmlWriteError, which the album
// run catches. What was written before the failure stays on disk.

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace korvo {

class THtmlWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class THtmlFile {
public:
    // Creates the file; raises THtmlWriteError when it cannot be created.
    explicit THtmlFile(const std::string& path);

    // Text without a line end; the next write continues the same line.
    void Write(std::string_view text);
    // Text followed by CR LF.
    void Line(std::string_view text = {});
    // Flushes and closes; raises when the data could not be written completely.
    void Close();

private:
    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    void WriteBytes(std::string_view bytes);

    std::string m_path;
    std::unique_ptr<std::FILE, FileCloser> m_file;
};

} // namespace korvo
