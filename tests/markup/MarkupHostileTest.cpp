// Deep and hostile texts: no recursion per nesting level anywhere (reading, writing,
// destroying), and no input that takes more than moments.

#include "markup/MLParse.h"
#include "markup/ReferenceParser.h"
#include "support/RepeatText.h"

#include <gtest/gtest.h>

#include <ctime>
#include <functional>
#include <pthread.h>
#include <random>

using namespace korvo;
using korvo::testing::DescribeTree;
using korvo::testing::ReferenceParseChildren;

using korvo::testing::Repeat;

namespace {

// Runs `work` on a thread with a stack of only 128 KiB: anything that recursed once per level of
// a tree thousands of levels deep would overflow it and crash the test.
void RunOnSmallStack(const std::function<void()>& work)
{
    pthread_attr_t attributes;
    ASSERT_EQ(pthread_attr_init(&attributes), 0);
    ASSERT_EQ(pthread_attr_setstacksize(&attributes, 128 * 1024), 0);
    pthread_t thread;
    const auto run = [](void* argument) -> void* {
        (*static_cast<const std::function<void()>*>(argument))();
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attributes, run, const_cast<std::function<void()>*>(&work)), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
}

// Levels down the chain of first children.
int ChainDepth(const TMLTag& tag)
{
    int depth = 0;
    for (const TMLTag* at = tag.Child(0); at != nullptr; at = at->Child(0))
        ++depth;
    return depth;
}

// Processor time of the calling thread, so that a busy or stalled machine does not count.
double ThreadSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double SecondsToRead(std::string_view text, TMLTag& document)
{
    const double start = ThreadSeconds();
    document.ParseChildren(text);
    return ThreadSeconds() - start;
}

// Far above what a reader linear in the text's size needs for a few megabytes, even in the
// sanitizer build; far below what a quadratic one takes.
constexpr double QuickSeconds = 5.0;

// Joins pieces (GCC 12 warns wrongly about "literal" + std::string chains).
std::string Join(std::initializer_list<std::string_view> pieces)
{
    std::string text;
    for (std::string_view piece : pieces)
        text += piece;
    return text;
}

} // namespace

TEST(MarkupHostile, HundredThousandLevelsAreReadAndDestroyedWithoutRecursion)
{
    static constexpr int Levels = 100000;
    std::string text;
    for (int level = 0; level < Levels; ++level)
        text += "<e" + std::to_string(level) + " n=\"" + std::to_string(level) + "\">";
    for (int level = Levels; level-- > 0;)
        text += "</e" + std::to_string(level) + ">";

    RunOnSmallStack([&text] {
        TMLTag document;
        EXPECT_LT(SecondsToRead(text, document), QuickSeconds);
        EXPECT_EQ(ChainDepth(document), Levels);
        const TMLTag* deepest = &document;
        while (deepest->ChildCount() > 0) {
            ASSERT_EQ(deepest->ChildCount(), 1);
            deepest = deepest->Child(0);
        }
        EXPECT_EQ(deepest->Name(), "e99999");
        EXPECT_EQ(deepest->GetAttribute("n"), "99999");
    }); // the document dies on the small stack too

    RunOnSmallStack([] {
        auto root = TMLTag::Create("root");
        TMLTag* at = root.get();
        for (int level = 0; level < Levels; ++level)
            at = &at->NewChild("x");
        TMLTag moved = std::move(*root);
        root.reset();
        EXPECT_EQ(ChainDepth(moved), Levels);
    });
}

TEST(MarkupHostile, DeepTreeIsWrittenWithoutRecursion)
{
    static constexpr int Levels = 5000; // every line carries its indent, so the text grows with the square
    TMLTag root("r0");
    TMLTag* at = &root;
    for (int level = 1; level < Levels; ++level)
        at = &at->NewChild(Join({ "r", std::to_string(level) }));
    at->AddAttribute("v", "<>");
    RunOnSmallStack([&root] {
        const std::string text = root.ToText(0);
        const std::string innermost = std::string(Levels - 1, ' ') + "<r4999 v=\"&lt;&gt;\" />\r\n";
        EXPECT_NE(text.find(innermost), std::string::npos);
        EXPECT_TRUE(text.starts_with("<r0>\r\n <r1>\r\n  <r2>\r\n"));
        EXPECT_TRUE(text.ends_with("  </r2>\r\n </r1>\r\n</r0>\r\n"));
        TMLTag document;
        document.ParseChildren(text);
        EXPECT_EQ(ChainDepth(document), Levels);
    });
}

TEST(MarkupHostile, ElementsHoldingTheirOwnNameAreReadQuickly)
{
    // The first "</a>" closes the outer element; the inner ones have no end tag inside it and
    // become its empty children, and the remaining end tags are skipped.
    static constexpr std::size_t Levels = 100000;
    const std::string nested = Join({ Repeat("<a>", Levels), Repeat("</a>", Levels) });
    TMLTag document;
    EXPECT_LT(SecondsToRead(nested, document), QuickSeconds);
    ASSERT_EQ(document.ChildCount(), 1);
    EXPECT_EQ(document.Child(0)->ChildCount(), static_cast<int>(Levels) - 1);
    EXPECT_EQ(document.Child(0)->Child(0)->ChildCount(), 0);

    // The same shape with a project's own names, small enough for the step-by-step reader.
    const std::string project = "<Korvo2Project><Korvo2Project><ImageList Count=\"1\"></Korvo2Project>"
                                "<ImageList Count=\"2\"><Category/></ImageList></Korvo2Project>";
    TMLTag fast;
    fast.ParseChildren(project);
    TMLTag plain;
    ReferenceParseChildren(plain, project);
    EXPECT_EQ(DescribeTree(fast), DescribeTree(plain));
    ASSERT_EQ(fast.ChildCount(), 2);
    EXPECT_EQ(fast.Child(1)->Name(), "ImageList");
    EXPECT_EQ(fast.Child(1)->GetAttribute("Count"), "2");
}

TEST(MarkupHostile, FloodsOfMarkupCharactersAreReadQuickly)
{
    const std::size_t Megabytes = 4 << 20;
    struct Case {
        const char* What;
        std::string Text;
        int Children;
    };
    const Case cases[] = {
        { "only \"<\"", std::string(Megabytes, '<'), 0 },
        { "only \">\"", std::string(Megabytes, '>'), 0 },
        { "\"<\" then one \">\"", Join({ std::string(Megabytes, '<'), ">" }), 1 }, // named "<<<...<"
        { "end tags without a start", Join({ Repeat("</", Megabytes / 2), ">" }), 0 },
        { "start tags without an end", Repeat("<a>", 300000), 300000 },
        { "start tags of ever new names",
            [] {
                std::string text;
                for (int i = 0; i < 200000; ++i)
                    text += "<n" + std::to_string(i) + ">";
                return text;
            }(),
            200000 },
        { "one start tag and a flood of end tags", Join({ "<a>", Repeat("</b>", 500000), "</a>" }), 1 },
        { "a name of a megabyte",
            Join({ "<", std::string(Megabytes / 4, 'n'), "><x/></", std::string(Megabytes / 4, 'n'), ">" }), 1 },
        { "an unclosed quote", Join({ "<a v=\"", std::string(Megabytes, ' '), "/>" }), 1 },
        { "self-closing elements", Repeat("<i s=\"1\"/>", 300000), 300000 },
    };
    for (const Case& test : cases) {
        TMLTag document;
        EXPECT_LT(SecondsToRead(test.Text, document), QuickSeconds) << test.What;
        EXPECT_EQ(document.ChildCount(), test.Children) << test.What;
    }
}

TEST(MarkupHostile, BinaryNoiseIsReadQuickly)
{
    std::mt19937 random(23);
    std::string text(8 << 20, '\0');
    for (char& c : text)
        c = static_cast<char>(random());
    TMLTag document;
    EXPECT_LT(SecondsToRead(text, document), QuickSeconds);

    // A smaller piece agrees with the step-by-step reader.
    const std::string_view piece = std::string_view(text).substr(0, 64 << 10);
    TMLTag fast;
    fast.ParseChildren(piece);
    TMLTag plain;
    ReferenceParseChildren(plain, piece);
    EXPECT_EQ(DescribeTree(fast), DescribeTree(plain));
}

TEST(MarkupHostile, VisitingReachesEveryLevelWithoutRecursion)
{
    static constexpr int Levels = 100000;
    TMLTag root("r");
    TMLTag* at = &root;
    for (int level = 0; level < Levels; ++level) {
        at->NewChild("sibling");
        at = &at->NewChild(Join({ "e", std::to_string(level) }));
    }
    RunOnSmallStack([&root] {
        std::vector<std::string> order;
        int visited = 0;
        root.VisitSubtree([&](TMLTag& tag) {
            if (++visited <= 4)
                order.push_back(tag.Name());
            tag.AddAttribute("seen", "yes");
        });
        EXPECT_EQ(visited, 2 * Levels + 1);
        EXPECT_EQ(order, (std::vector<std::string> { "r", "sibling", "e0", "sibling" }));
    });
    EXPECT_EQ(root.Child(1)->Child(1)->GetAttribute("seen"), "yes");
}
