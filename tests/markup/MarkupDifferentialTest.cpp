// The fast reader against the plain step-by-step reader on many generated and damaged inputs:
// both must build exactly the same tree for every one of them.

#include "markup/MLParse.h"
#include "markup/ReferenceParser.h"

#include <gtest/gtest.h>

#include <random>

using namespace korvo;
using korvo::testing::DescribeTree;
using korvo::testing::ReferenceParseChildren;

namespace {

std::string Visible(std::string_view text)
{
    std::string out;
    for (char c : text) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else
            out += c;
    }
    return out;
}

// True when both readers agree; otherwise reports the input and both trees.
::testing::AssertionResult ReadersAgree(std::string_view text)
{
    TMLTag fast;
    fast.ParseChildren(text);
    TMLTag plain;
    ReferenceParseChildren(plain, text);
    const std::string fastTree = DescribeTree(fast);
    const std::string plainTree = DescribeTree(plain);
    if (fastTree == plainTree)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "input: " << Visible(text) << "\nfast reader:\n"
                                         << fastTree << "step-by-step reader:\n"
                                         << plainTree;
}

// Pieces that exercise every rule: nesting, same-name descendants, end tags with blanks, stray
// "<" and ">", quotes, comments, declarations, names holding "<", "/" or quotes.
const std::vector<std::string> Pieces {
    "<a>",
    "</a>",
    "<b>",
    "</b>",
    "<ab>",
    "</ab>",
    "<a/>",
    "<b />",
    "< a >",
    "</ a>",
    "</a >",
    "<a x=\"1\">",
    "<b y=2 z>",
    "<a w=>",
    "<a q=\"x y\"/>",
    "<a r=\"1>",
    "<!-- c -->",
    "<!-- > -->",
    "<?xml v=\"1\"?>",
    "<!DOCTYPE x>",
    ">",
    "<",
    "\"",
    " ",
    "\t",
    "\r\n",
    "text",
    "</",
    "/>",
    "=",
    "<a\"b c\">",
    "</a\"b c\">",
    "&amp;",
    "&lt;",
    "<<a>",
    "</<a>",
    "<a</b>",
    "</a</b>",
    "<x </x>",
    "</x>",
    "<x>",
    "<a\"",
    "\"/>",
    "<A>",
    "</A>",
    "<a/ >",
    "<Image Source=\"p\" />",
    "<Category>",
    "</Category>",
    "<//a>",
    "<\x01a\x7f>",
    "</\x01a\x7f>",
    "\xc3\xa4",
    "<a\xff>",
    "</a\xff>",
    "<</</x>",
    "</</</x>",
    "</</",
};

std::string RandomPieces(std::mt19937& random, std::size_t count)
{
    std::string text;
    for (std::size_t i = 0; i < count; ++i)
        text += Pieces[random() % Pieces.size()];
    return text;
}

void AddRandomChildren(std::mt19937& random, TMLTag& parent, int depth)
{
    static const char* const names[] = { "a", "b", "ab", "Image", "Category", "A" };
    static const std::string valueAlphabet = "ab <>&\"=/\t;lt";
    const int count = depth > 4 ? 0 : static_cast<int>(random() % 4);
    for (int i = 0; i < count; ++i) {
        TMLTag& child = parent.NewChild(names[random() % std::size(names)]);
        for (int k = static_cast<int>(random() % 3); k > 0; --k) {
            std::string value(random() % 6, ' ');
            for (char& c : value)
                c = valueAlphabet[random() % valueAlphabet.size()];
            child.AddAttribute(k == 1 ? "x" : "Caption", value);
        }
        AddRandomChildren(random, child, depth + 1);
    }
}

// Damages a text the way hand editing and broken transfers do.
void Mutate(std::mt19937& random, std::string& text)
{
    static const std::string bytes = "<>/\"= a\t!?";
    const std::size_t at = text.empty() ? 0 : random() % (text.size() + 1);
    const std::size_t length = std::min<std::size_t>(1 + random() % 8, text.size() - at);
    switch (random() % 5) {
    case 0:
        text.erase(at, length);
        break;
    case 1:
        text.insert(at, Pieces[random() % Pieces.size()]);
        break;
    case 2:
        text.insert(at, text.substr(at, length));
        break;
    case 3:
        if (at < text.size())
            text[at] = bytes[random() % bytes.size()];
        break;
    default: {
        // Move a slice elsewhere, which tears elements apart and reorders end tags.
        const std::string slice = text.substr(at, length);
        text.erase(at, length);
        text.insert(text.empty() ? 0 : random() % (text.size() + 1), slice);
    }
    }
}

} // namespace

TEST(MarkupDifferential, ShortTextsOfMarkupCharacters)
{
    std::mt19937 random(7);
    const std::string alphabet = "<>/ab\"= !?\t";
    for (int round = 0; round < 30000; ++round) {
        std::string text(random() % 28, ' ');
        for (char& c : text)
            c = alphabet[random() % alphabet.size()];
        ASSERT_TRUE(ReadersAgree(text));
    }
}

TEST(MarkupDifferential, SequencesOfTagPieces)
{
    std::mt19937 random(11);
    for (int round = 0; round < 15000; ++round)
        ASSERT_TRUE(ReadersAgree(RandomPieces(random, random() % 40)));
}

TEST(MarkupDifferential, DamagedWrittenTrees)
{
    std::mt19937 random(13);
    for (int round = 0; round < 4000; ++round) {
        TMLTag root(round % 2 == 0 ? "Korvo2Project" : "a");
        AddRandomChildren(random, root, 0);
        std::string text = root.ToText(static_cast<int>(random() % 2));
        ASSERT_TRUE(ReadersAgree(text));
        for (int step = 0; step < 6; ++step) {
            Mutate(random, text);
            ASSERT_TRUE(ReadersAgree(text));
        }
    }
}

TEST(MarkupDifferential, DeepAndLongTexts)
{
    std::mt19937 random(17);
    for (int round = 0; round < 30; ++round) {
        // Nesting of distinct names a few hundred levels deep, with same-name descendants,
        // pieces and damage mixed in.
        const int depth = 50 + static_cast<int>(random() % 400);
        std::string text;
        for (int level = 0; level < depth; ++level) {
            text += "<e" + std::to_string(level % 37) + " n=\"" + std::to_string(level) + "\">";
            if (random() % 4 == 0)
                text += RandomPieces(random, 3);
        }
        for (int level = depth; level-- > 0;) {
            text += "</e" + std::to_string(level % 37) + ">";
            if (random() % 6 == 0)
                text += RandomPieces(random, 2);
        }
        ASSERT_TRUE(ReadersAgree(text));
        for (int step = 0; step < 10; ++step) {
            Mutate(random, text);
            ASSERT_TRUE(ReadersAgree(text));
        }
        ASSERT_TRUE(ReadersAgree(RandomPieces(random, 2000)));
    }
}

TEST(MarkupDifferential, RandomBytes)
{
    std::mt19937 random(19);
    for (int round = 0; round < 200; ++round) {
        std::string text(random() % 4000, ' ');
        for (char& c : text) {
            // Mostly markup characters, so that elements actually form.
            const unsigned r = random() % 16;
            c = r < 3 ? '<' : r < 5 ? '>' : r < 6 ? '/' : r < 7 ? '"' : r < 8 ? 'a' : static_cast<char>(random());
        }
        ASSERT_TRUE(ReadersAgree(text));
    }
}
