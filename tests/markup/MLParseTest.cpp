#include "markup/MLParse.h"
#include "markup/Escape.h"
#include "markup/ReferenceParser.h"

#include <gtest/gtest.h>

#include <random>

using namespace korvo;
using korvo::testing::DescribeTree;
using korvo::testing::ReferenceUnescape;

namespace {

TMLTag Parse(std::string_view text)
{
    TMLTag document;
    document.ParseChildren(text);
    return document;
}

std::vector<std::string> ChildNames(const TMLTag& tag)
{
    std::vector<std::string> names;
    for (int i = 0; i < tag.ChildCount(); ++i)
        names.push_back(tag.Child(i)->Name());
    return names;
}

using Names = std::vector<std::string>;

} // namespace

TEST(MarkupEscape, FourCharactersBecomeEntitiesAndComeBack)
{
    EXPECT_EQ(Escape("\"&<>"), "&quot;&amp;&lt;&gt;");
    EXPECT_EQ(Unescape("&quot;&amp;&lt;&gt;"), "\"&<>");
    // Everything else stays, control characters and high bytes included.
    const std::string other = "a\tb\r\n\x01\x7f\x80\xff\xc3\xa4'";
    EXPECT_EQ(Escape(other), other);
    EXPECT_EQ(Escape(""), "");

    // "&amp;" is resolved last, so an escaped entity stays an entity.
    EXPECT_EQ(Unescape("&amp;lt;"), "&lt;");
    EXPECT_EQ(Unescape("&amp;amp;"), "&amp;");
    EXPECT_EQ(Unescape("&&gt;gt;"), "&>gt;");
    // No other entity is known.
    EXPECT_EQ(Unescape("&#8364; &nbsp; &AMP; &lt &apos;"), "&#8364; &nbsp; &AMP; &lt &apos;");
    EXPECT_EQ(Unescape("&"), "&");
    EXPECT_EQ(Unescape("x&gt"), "x&gt");
}

TEST(MarkupEscape, UnescapeUndoesEscapeAndMatchesTheOrderedPasses)
{
    std::mt19937 random(20240611);
    const std::string alphabet = "&;<>\"agtlqumop#x ";
    for (int round = 0; round < 20000; ++round) {
        std::string text(random() % 24, ' ');
        for (char& c : text)
            c = alphabet[random() % alphabet.size()];
        ASSERT_EQ(Unescape(Escape(text)), text);
        ASSERT_EQ(Unescape(text), ReferenceUnescape(text)) << text;
    }
}

TEST(MarkupWriter, EmptyElementIsOneLineAtItsIndent)
{
    TMLTag category("Category");
    EXPECT_EQ(category.ToText(0), "<Category />\r\n");
    EXPECT_EQ(category.ToText(2), "  <Category />\r\n");
    EXPECT_EQ(category.ToText(-3), "<Category />\r\n");
}

TEST(MarkupWriter, ChildrenAreIndentedOneSpacePerLevel)
{
    TMLTag root("root");
    root.NewChild("child").AddAttribute("a", "1");
    EXPECT_EQ(root.ToText(), "<root>\r\n <child a=\"1\" />\r\n</root>\r\n");

    TMLTag project("Korvo2Project");
    project.AddAttribute("Version", "2.0.1.1");
    TMLTag& list = project.NewChild("ImageList");
    list.AddAttribute("Count", "1");
    list.NewChild("Category");
    TMLTag& image = list.NewChild("Category").NewChild("Image");
    image.AddAttribute("Source", "/photos/a&b \"1\".jpg");
    image.AddAttribute("Caption", "<Zurück>");
    project.NewChild("Configuration");
    EXPECT_EQ(project.ToText(1),
        " <Korvo2Project Version=\"2.0.1.1\">\r\n"
        "  <ImageList Count=\"1\">\r\n"
        "   <Category />\r\n"
        "   <Category>\r\n"
        "    <Image Source=\"/photos/a&amp;b &quot;1&quot;.jpg\" Caption=\"&lt;Zurück&gt;\" />\r\n"
        "   </Category>\r\n"
        "  </ImageList>\r\n"
        "  <Configuration />\r\n"
        " </Korvo2Project>\r\n");
}

TEST(MarkupWriter, NamesAreWrittenUnescapedAndValuesRoundTrip)
{
    TMLTag tag("a&b");
    tag.AddAttribute("x<y", "v");
    EXPECT_EQ(tag.ToText(), "<a&b x<y=\"v\" />\r\n");

    // Blanks, a tab, "=", "/", ">" and quotes inside values survive writing and reading.
    TMLTag root("Root");
    TMLTag& child = root.NewChild("Child");
    const std::string values[]
        = { "a b\tc=d", "x/y/", "", "\"", "1 > 0 & 0 < 1", "&amp;", "< bitte ein Verzeichnis auswählen >" };
    for (const std::string& value : values)
        child.AddAttribute("v", value);
    const TMLTag read = Parse(root.ToText());
    ASSERT_EQ(read.ChildCount(), 1);
    EXPECT_EQ(DescribeTree(*read.Child(0)), DescribeTree(root));
}

TEST(MarkupTree, LookupsByNameAndIndex)
{
    TMLTag tag("t");
    EXPECT_EQ(tag.GetAttribute("a"), "");
    tag.AddAttribute("a", "first");
    tag.AddAttribute("a", "second");
    tag.AddAttribute("A", "upper");
    EXPECT_EQ(tag.GetAttribute("a"), "first"); // an attribute of the same name is not replaced
    EXPECT_EQ(tag.GetAttribute("A"), "upper");
    EXPECT_EQ(tag.Attributes().size(), 3u);

    TMLTag& first = tag.NewChild("c");
    tag.NewChild("c").AddAttribute("n", "2");
    tag.AddChild(nullptr);
    tag.AddChild(TMLTag::Create("d"));
    EXPECT_EQ(tag.ChildCount(), 3);
    EXPECT_EQ(tag.FindChild("c"), &first);
    EXPECT_EQ(tag.FindChild("C"), nullptr);
    EXPECT_EQ(tag.FindChild("d"), tag.Child(2));
    EXPECT_EQ(tag.Child(-1), nullptr);
    EXPECT_EQ(tag.Child(3), nullptr);
    EXPECT_EQ(tag.Child(1)->GetAttribute("n"), "2");

    TMLTag moved = std::move(tag);
    EXPECT_EQ(moved.Name(), "t");
    EXPECT_EQ(moved.ChildCount(), 3);
}

TEST(MarkupReader, AttributeSpellings)
{
    using Pairs = std::vector<std::pair<std::string, std::string>>;
    const auto attributesOf = [](const TMLTag& tag) {
        Pairs pairs;
        for (const TMLAttribute& attribute : tag.Attributes())
            pairs.emplace_back(attribute.Name, attribute.Value);
        return pairs;
    };
    const TMLTag read = Parse("<e x=\"1\" y=2 z w= =v q=\"a b\" r=&lt;b s=\"&amp;lt;\" &amp; t=\">"
                              "<f u=\"open v=1/>");
    ASSERT_EQ(ChildNames(read), (Names { "e", "f" }));
    EXPECT_EQ(attributesOf(*read.Child(0)),
        (Pairs {
            { "x", "1" }, { "y", "2" }, { "z", "z" }, // "w=" adds nothing
            { "", "v" }, { "q", "a b" }, { "r", "<b" }, { "s", "&lt;" },
            { "&amp;", "&amp;" }, // a bare token is taken as it stands, unescaped or not
            { "t", "" }, // a lone quote encloses nothing
        }));
    // A quote that is never closed runs to the end of the tag and stays in the value.
    EXPECT_EQ(attributesOf(*read.Child(1)), (Pairs { { "u", "\"open v=1" } }));
}

TEST(MarkupReader, SkipsDeclarationsCommentsAndTextBetweenElements)
{
    const TMLTag read = Parse("<?xml version=\"1.0\"?>\r\n<!-- made by hand -->\r\n"
                              "text <A>more text<B/>  tail </A> after <C />");
    EXPECT_EQ(ChildNames(read), (Names { "A", "C" }));
    EXPECT_EQ(ChildNames(*read.Child(0)), (Names { "B" }));

    EXPECT_EQ(Parse("").ChildCount(), 0);
    EXPECT_EQ(Parse(std::string_view()).ChildCount(), 0);
    EXPECT_EQ(Parse("no markup at all").ChildCount(), 0);
    EXPECT_EQ(ChildNames(Parse("<a/><a/>")), (Names { "a", "a" }));
    EXPECT_EQ(ChildNames(Parse("< a / ><b\t/\r\n>< c>")), (Names { "a", "b", "c" }));
    EXPECT_EQ(ChildNames(Parse("<></><!><?><d/>")), (Names { "d" }));
}

TEST(MarkupReader, StrayGreaterThanEndsTheText)
{
    // A ">" before the next "<" ends the reading of the text it stands in ...
    EXPECT_EQ(ChildNames(Parse("<a/> 1 > 0 <b/>")), (Names { "a" }));
    // ... also inside a comment, which ends at its first ">" ...
    EXPECT_EQ(ChildNames(Parse("<!-- a > b --><c/>")), Names {});
    // ... but only inside the element that holds it.
    const TMLTag read = Parse("<a><b/> > <c/></a><d/>");
    EXPECT_EQ(ChildNames(read), (Names { "a", "d" }));
    EXPECT_EQ(ChildNames(*read.Child(0)), (Names { "b" }));
    // A "<" without any ">" after it ends the reading as well.
    EXPECT_EQ(ChildNames(Parse("<a/><b")), (Names { "a" }));
}

TEST(MarkupReader, EndTagsCountOnlyAsWrittenTogether)
{
    // "</a >" closes nothing: a stays empty, and what follows becomes its siblings.
    EXPECT_EQ(ChildNames(Parse("<a><b/></a ><c/>")), (Names { "a", "b", "c" }));
    EXPECT_EQ(ChildNames(Parse("<A><b/></a>")), (Names { "A", "b" })); // names are case-sensitive
    // An end tag only counts inside the element that holds the start tag.
    const TMLTag read = Parse("<a><b></a></b><c/>");
    EXPECT_EQ(ChildNames(read), (Names { "a", "c" }));
    EXPECT_EQ(ChildNames(*read.Child(0)), (Names { "b" }));
    EXPECT_EQ(read.Child(0)->Child(0)->ChildCount(), 0);
    // The end tag may even be the tail of the start tag itself.
    const TMLTag tail = Parse("<x </x><y/>");
    EXPECT_EQ(ChildNames(tail), (Names { "x", "y" }));
    EXPECT_EQ(tail.Child(0)->GetAttribute("</x"), "</x");
}

TEST(MarkupReader, FirstMatchingEndTagClosesTheOuterElement)
{
    const TMLTag read = Parse("<a><a><b/></a><c/></a><d/>");
    EXPECT_EQ(ChildNames(read), (Names { "a", "c", "d" }));
    EXPECT_EQ(ChildNames(*read.Child(0)), (Names { "a", "b" }));
    EXPECT_EQ(read.Child(0)->Child(0)->ChildCount(), 0);
}
