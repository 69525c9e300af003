// Loading and saving a markup tree as a whole file, by the file rules of src/fileio.

#include "markup/MLParse.h"

#include "fileio/OpenFile.h"
#include "fileio/ReplacingFile.h"

#include <exception>
#include <utility>

namespace korvo {

bool TMLTag::LoadFromFile(const std::string& path, TFailure* failure)
{
    try {
        std::string text;
        if (!ReadWholeFile(path, MaxFileSize, text, failure))
            return false;
        // Read into a separate node first, so that a failure appends nothing.
        TMLTag document;
        document.ParseChildren(text);
        m_children.reserve(m_children.size() + document.m_children.size());
        for (auto& child : document.m_children)
            m_children.push_back(std::move(child));
        document.m_children.clear();
        return true;
    } catch (const std::exception&) {
        if (failure)
            *failure = { FailureReason::OutOfMemory, {} };
        return false;
    }
}

bool TMLTag::SaveToFile(const std::string& path) const
{
    try {
        // A save replaces the file a link points to, not the link, and is on the disk once it
        // reports success.
        return ReplaceFileContents(path, ToText(0), { .FollowLink = true, .Durable = true });
    } catch (const std::exception&) {
        return false; // out of memory
    }
}

} // namespace korvo
