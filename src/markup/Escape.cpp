#include "markup/Escape.h"

namespace korvo {

void AppendEscaped(std::string& out, std::string_view text)
{
    std::size_t runStart = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char* entity = nullptr;
        switch (text[i]) {
        case '"':
            entity = "&quot;";
            break;
        case '&':
            entity = "&amp;";
            break;
        case '<':
            entity = "&lt;";
            break;
        case '>':
            entity = "&gt;";
            break;
        default:
            continue;
        }
        out.append(text, runStart, i - runStart);
        out += entity;
        runStart = i + 1;
    }
    out.append(text, runStart, text.size() - runStart);
}

std::string Escape(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    AppendEscaped(result, text);
    return result;
}

// Resolving the four entities in one left-to-right pass gives the same text as four replace-all
// passes in the order "&gt;", "&lt;", "&quot;", "&amp;": every entity starts at an "&" and holds
// no other "&", so matches never overlap, and the characters a pass puts in (">", "<", '"')
// cannot form an entity for a later pass. The "&" from "&amp;" is never looked at again, which
// is what makes "&amp;lt;" come out as "&lt;".
std::string Unescape(std::string_view text)
{
    std::size_t amp = text.find('&');
    if (amp == std::string_view::npos)
        return std::string(text);
    std::string result;
    result.reserve(text.size());
    std::size_t copied = 0;
    while (amp != std::string_view::npos) {
        const std::string_view rest = text.substr(amp + 1);
        char replacement = 0;
        std::size_t length = 0;
        if (rest.starts_with("gt;")) {
            replacement = '>';
            length = 4;
        } else if (rest.starts_with("lt;")) {
            replacement = '<';
            length = 4;
        } else if (rest.starts_with("quot;")) {
            replacement = '"';
            length = 6;
        } else if (rest.starts_with("amp;")) {
            replacement = '&';
            length = 5;
        }
        if (length == 0) {
            amp = text.find('&', amp + 1);
            continue;
        }
        result.append(text, copied, amp - copied);
        result += replacement;
        copied = amp + length;
        amp = text.find('&', copied);
    }
    result.append(text, copied, text.size() - copied);
    return result;
}

} // namespace korvo
