// libFuzzer entry for the markup reader: the input is the text of a project file. The fast reader
// must build exactly the tree of the plain step-by-step reader, a tree it wrote must read back
// unchanged, and escaping must undo itself.

#include "FuzzSupport.h"
#include "markup/Escape.h"
#include "markup/MLParse.h"
#include "markup/ReferenceParser.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using korvo::fuzz::Check;

namespace {

// Names the writer puts out so that the reader takes them back as they are: no blanks, quotes,
// "=", "/", "<" or ">". Other names are legal in a tree but do not survive a round trip.
bool PlainName(std::string_view name)
{
    if (name.empty())
        return false;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 32 || c == '"' || c == '=' || c == '/' || c == '<' || c == '>' || c == '!' || c == '?')
            return false;
    }
    return true;
}

// True when writing the tree and reading it back must give the same tree: every name plain, and
// no element inside an element of its own name (the first matching end tag closes the outer one).
bool RoundTrips(const korvo::TMLTag& document)
{
    std::vector<std::pair<const korvo::TMLTag*, std::vector<std::string>>> pending;
    for (int i = 0; i < document.ChildCount(); ++i)
        pending.push_back({ document.Child(i), {} });
    while (!pending.empty()) {
        auto [tag, ancestors] = std::move(pending.back());
        pending.pop_back();
        if (!PlainName(tag->Name()))
            return false;
        for (const std::string& name : ancestors)
            if (name == tag->Name())
                return false;
        for (const korvo::TMLAttribute& attribute : tag->Attributes())
            if (!PlainName(attribute.Name))
                return false;
        ancestors.push_back(tag->Name());
        for (int i = 0; i < tag->ChildCount(); ++i)
            pending.push_back({ tag->Child(i), ancestors });
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    korvo::TMLTag fast;
    fast.ParseChildren(text);
    const std::string tree = korvo::testing::DescribeTree(fast);
    // The plain reader copies and searches the rest of the text at every step: small inputs only.
    if (size <= 4096) {
        korvo::TMLTag plain;
        korvo::testing::ReferenceParseChildren(plain, text);
        Check(korvo::testing::DescribeTree(plain) == tree);
    }

    if (RoundTrips(fast)) {
        std::string written;
        for (int i = 0; i < fast.ChildCount(); ++i)
            fast.Child(i)->AppendText(written, 0);
        korvo::TMLTag again;
        again.ParseChildren(written);
        Check(korvo::testing::DescribeTree(again) == tree);
    }

    Check(korvo::Unescape(korvo::Escape(text)) == text);
    Check(korvo::Unescape(text) == korvo::testing::ReferenceUnescape(text));
    return 0;
}
