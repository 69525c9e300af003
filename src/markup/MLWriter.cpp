// The writer of the markup tree: one element a line, children indented, CR LF line ends.

#include "markup/MLParse.h"

#include "markup/Escape.h"

namespace korvo {

std::string TMLTag::ToText(int level) const
{
    std::string text;
    AppendText(text, level);
    return text;
}

void TMLTag::AppendText(std::string& out, int level) const
{
    const std::size_t baseIndent = level > 0 ? static_cast<std::size_t>(level) : 0;

    // Writes the start tag; true when the element has children and so needs an end tag.
    const auto writeStart = [&out](const TMLTag& tag, std::size_t indent) {
        out.append(indent, ' ');
        out += '<';
        out += tag.m_name;
        for (const TMLAttribute& attribute : tag.m_attributes) {
            out += ' ';
            out += attribute.Name;
            out += "=\"";
            AppendEscaped(out, attribute.Value);
            out += '"';
        }
        if (tag.m_children.empty()) {
            out += " />\r\n";
            return false;
        }
        out += ">\r\n";
        return true;
    };

    // The open elements from this one down, each with the index of its next child to write;
    // element i of the list is indented by baseIndent + i.
    struct OpenTag {
        const TMLTag* Tag;
        std::size_t NextChild;
    };
    std::vector<OpenTag> open;
    if (writeStart(*this, baseIndent))
        open.push_back({ this, 0 });
    while (!open.empty()) {
        OpenTag& top = open.back();
        if (top.NextChild < top.Tag->m_children.size()) {
            const TMLTag& child = *top.Tag->m_children[top.NextChild++];
            if (writeStart(child, baseIndent + open.size()))
                open.push_back({ &child, 0 });
            continue;
        }
        out.append(baseIndent + open.size() - 1, ' ');
        out += "</";
        out += top.Tag->m_name;
        out += ">\r\n";
        open.pop_back();
    }
}

} // namespace korvo
