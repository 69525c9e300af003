#include "markup/ReferenceParser.h"

#include <utility>
#include <vector>

namespace korvo::testing {

namespace {

    constexpr auto npos = std::string::npos;

    bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

    std::string TrimBlanks(std::string text)
    {
        std::size_t start = 0;
        while (start < text.size() && IsBlank(text[start]))
            ++start;
        text.erase(0, start);
        while (!text.empty() && IsBlank(text.back()))
            text.pop_back();
        return text;
    }

    void ReplaceAll(std::string& text, const std::string& from, const std::string& to)
    {
        std::string result;
        std::size_t at = 0;
        for (std::size_t hit = text.find(from); hit != npos; hit = text.find(from, at)) {
            result += text.substr(at, hit - at) + to;
            at = hit + from.size();
        }
        text = result + text.substr(at);
    }

    // One parse step on the working text; false when nothing more can be read.
    bool ParseStep(std::string& work, TMLTag& parent)
    {
        const std::size_t p = work.find('<');
        const std::size_t q = work.find('>');
        if (p == npos || q == npos || q < p)
            return false;
        std::string tagText = TrimBlanks(work.substr(p + 1, q - p - 1));
        if (tagText.empty() || tagText[0] == '!' || tagText[0] == '/' || tagText[0] == '?') {
            work.erase(0, q + 1);
            return true;
        }
        bool selfClosing = false;
        if (tagText.back() == '/') {
            selfClosing = true;
            tagText.pop_back();
            while (!tagText.empty() && IsBlank(tagText.back()))
                tagText.pop_back();
        }

        std::vector<std::string> tokens;
        std::string rest = tagText;
        while (!rest.empty()) {
            bool quoted = false;
            std::size_t end = 0;
            while (end < rest.size() && (quoted || !IsBlank(rest[end]))) {
                if (rest[end] == '"')
                    quoted = !quoted;
                ++end;
            }
            tokens.push_back(rest.substr(0, end));
            rest = end < rest.size() ? rest.substr(end + 1) : std::string();
            std::size_t blanks = 0;
            while (blanks < rest.size() && IsBlank(rest[blanks]))
                ++blanks;
            rest.erase(0, blanks);
        }
        if (tokens.empty())
            return false; // cannot happen: the tag text neither is empty nor starts with a blank

        TMLTag& element = parent.NewChild(tokens[0]);
        for (std::size_t i = 1; i < tokens.size(); ++i) {
            const std::string& token = tokens[i];
            const std::size_t k = token.find('=');
            if (k == npos) {
                element.AddAttribute(token, token);
            } else if (k == token.size() - 1) {
                // nothing
            } else if (token[k + 1] == '"' && token.back() == '"') {
                // between the two quotes; a lone quote encloses nothing
                const std::string inside = token.size() >= k + 3 ? token.substr(k + 2, token.size() - k - 3) : "";
                element.AddAttribute(token.substr(0, k), ReferenceUnescape(inside));
            } else {
                element.AddAttribute(token.substr(0, k), ReferenceUnescape(token.substr(k + 1)));
            }
        }
        if (selfClosing) {
            work.erase(0, q + 1);
            return true;
        }
        const std::string endTag = "</" + tokens[0] + ">";
        const std::size_t r = work.find(endTag);
        if (r == npos) {
            work.erase(0, q + 1);
            return true;
        }
        ReferenceParseChildren(element, r > q + 1 ? work.substr(q + 1, r - q - 1) : std::string());
        work.erase(0, r + endTag.size());
        return true;
    }

    void AppendVisible(std::string& out, std::string_view text)
    {
        static const char hex[] = "0123456789ABCDEF";
        for (char c : text) {
            const auto byte = static_cast<unsigned char>(c);
            if (byte < 33 || byte > 126 || c == '\\' || c == '|') {
                out += "\\x";
                out += hex[byte >> 4];
                out += hex[byte & 15];
            } else {
                out += c;
            }
        }
    }

} // namespace

std::string ReferenceUnescape(std::string_view text)
{
    std::string result(text);
    ReplaceAll(result, "&gt;", ">");
    ReplaceAll(result, "&lt;", "<");
    ReplaceAll(result, "&quot;", "\"");
    ReplaceAll(result, "&amp;", "&");
    return result;
}

void ReferenceParseChildren(TMLTag& parent, std::string_view text)
{
    std::string work(text);
    while (ParseStep(work, parent)) { }
}

std::string DescribeTree(const TMLTag& root)
{
    std::string out;
    std::vector<std::pair<const TMLTag*, std::size_t>> pending { { &root, 0 } };
    while (!pending.empty()) {
        const auto [tag, depth] = pending.back();
        pending.pop_back();
        out += std::to_string(depth);
        out += ' ';
        AppendVisible(out, tag->Name());
        for (const TMLAttribute& attribute : tag->Attributes()) {
            out += " | ";
            AppendVisible(out, attribute.Name);
            out += " = ";
            AppendVisible(out, attribute.Value);
        }
        out += '\n';
        for (int i = tag->ChildCount(); i-- > 0;)
            pending.emplace_back(tag->Child(i), depth + 1);
    }
    return out;
}

} // namespace korvo::testing
