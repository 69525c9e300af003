#pragma once

// The markup tree of project files: elements with a name, ordered attributes and ordered child
// elements, no text content. The writer puts one element on a line, indents children by one
// space per level and ends every line with CR LF. The reader is deliberately forgiving: it never
// fails on malformed text, it keeps whatever elements it could read, and it has a few odd but
// relied-upon habits (see ParseChildren). It works in time proportional to the text's size
// (times a logarithm) and never recurses per nesting level, so hostile files of any depth load
// quickly and safely. The tree is here and in MLParse.cpp, the writer in MLWriter.cpp, the
// reader in MLReader.cpp, whole files in MLFile.cpp; values are escaped by Escape.h.

#include "fileio/Failure.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace korvo {

struct TMLAttribute {
    std::string Name;
    std::string Value; // unescaped
};

class TMLTag {
public:
    // An element without a name is a document node: it receives a file's top-level elements.
    TMLTag() = default;
    explicit TMLTag(std::string name);
    static std::unique_ptr<TMLTag> Create(std::string name);

    // Destroys the subtree without recursing per level, so a tree of any depth can go.
    ~TMLTag();
    TMLTag(const TMLTag&) = delete;
    TMLTag& operator=(const TMLTag&) = delete;
    TMLTag(TMLTag&&) noexcept = default;
    TMLTag& operator=(TMLTag&&) noexcept = default;

    const std::string& Name() const { return m_name; }

    // Appends an attribute; one of the same name already present is kept, not replaced.
    void AddAttribute(std::string name, std::string value);
    // The value of the first attribute with exactly this name; an empty text when there is none.
    const std::string& GetAttribute(std::string_view name) const;
    bool HasAttribute(std::string_view name) const;
    const std::vector<TMLAttribute>& Attributes() const { return m_attributes; }
    std::vector<TMLAttribute>& Attributes() { return m_attributes; }

    // Creates an element, appends it as the last child and returns it.
    TMLTag& NewChild(std::string name);
    // Appends an element as the last child and takes ownership; a null pointer is ignored.
    void AddChild(std::unique_ptr<TMLTag> child);
    // The first child with exactly this name, or nullptr.
    TMLTag* FindChild(std::string_view name);
    const TMLTag* FindChild(std::string_view name) const;
    int ChildCount() const { return static_cast<int>(m_children.size()); }
    // The child at a 0-based index, or nullptr when the index is negative or too large.
    TMLTag* Child(int index);
    const TMLTag* Child(int index) const;

    // The element and its subtree in the file format, its start line indented by `level`
    // spaces. Attribute values are escaped, names never.
    std::string ToText(int level = 0) const;

    // Calls `visit` for this element and every element below it, parents before their children
    // and children in order. Works from a list, not per level on the call stack, so a tree of any
    // depth can be visited.
    void VisitSubtree(const std::function<void(TMLTag&)>& visit);
    // Appends ToText(level) to `out`.
    void AppendText(std::string& out, int level = 0) const;

    // Reads elements from `text` and appends every element of its top level as a child. Text
    // between elements is dropped; an end tag counts only when written exactly as "</name>", and
    // the first one after a start tag closes it (so an element holding a descendant of its own
    // name ends early); a ">" outside any tag ends the reading of the text it stands in; "<!",
    // "<?" and unmatched "</" tags are skipped up to their first ">". Never fails.
    void ParseChildren(std::string_view text);
    // Reads the whole file and parses it into this element (normally a document node). False,
    // with nothing appended, when the file cannot be opened or read or is larger than
    // MaxFileSize.
    bool LoadFromFile(const std::string& path, TFailure* failure = nullptr);
    // Writes ToText(0) of this element as the whole file. The text goes to a new file beside the
    // target, which is flushed to disk and then renamed over the target, so a failed save
    // (disk full, no permission, target is a folder) returns false and leaves an existing file
    // exactly as it was. A symbolic link as target keeps pointing to the saved file.
    bool SaveToFile(const std::string& path) const;

    // Larger files are refused, so that a hostile file cannot take all memory: a project of
    // 20,000 pictures takes about 2.5 MB, and a file made of tiny elements costs about 35 times
    // its size once read.
    static constexpr std::size_t MaxFileSize = std::size_t { 32 } << 20;

private:
    std::string m_name;
    std::vector<TMLAttribute> m_attributes;
    std::vector<std::unique_ptr<TMLTag>> m_children;
};

} // namespace korvo
