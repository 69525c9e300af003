#include "model/RunLog.h"
#include "model/TextRules.h"
#include "support/RecordingHost.h"

#include <gtest/gtest.h>

using namespace korvo;
using korvo::testing::TRecordingHost;

using Lines = std::vector<std::string>;

TEST(RunLog, SeparatorsNeverFollowEachOther)
{
    TRunLog log;
    EXPECT_FALSE(log.LastLineEmpty());
    EXPECT_TRUE(log.Log("")); // the very first separator is appended
    EXPECT_FALSE(log.Log(""));
    log.Log("/Kopf");
    log.Log("");
    log.Log("");
    log.Log("*eins");
    EXPECT_EQ(log.Lines(), (Lines { "", "/Kopf", "", "*eins" }));
    EXPECT_FALSE(log.LastLineEmpty());
}

TEST(RunLog, KindCharacterChoosesTheColour)
{
    EXPECT_EQ(MessageKindColour('/'), MessageColour::Blue);
    EXPECT_EQ(MessageKindColour('B'), MessageColour::Blue);
    EXPECT_EQ(MessageKindColour('*'), MessageColour::WindowText);
    EXPECT_EQ(MessageKindColour('_'), MessageColour::Grey);
    EXPECT_EQ(MessageKindColour('0'), MessageColour::Grey);
    for (char red : { '-', '!', 'E', 'R' })
        EXPECT_EQ(MessageKindColour(red), MessageColour::Red) << red;
    EXPECT_EQ(MessageKindColour('+'), MessageColour::Green);
    EXPECT_EQ(MessageKindColour('G'), MessageColour::Green);
    EXPECT_EQ(MessageKindColour('x'), MessageColour::WindowText);
    EXPECT_EQ(MessageKindColour('e'), MessageColour::WindowText); // only capitals are kinds

    const RgbColour green = MessageColourRgb(MessageColour::Green);
    EXPECT_EQ(green.Red, 0);
    EXPECT_EQ(green.Green, 128);
    EXPECT_EQ(green.Blue, 0);
    EXPECT_EQ(MessageColourRgb(MessageColour::Grey).Red, 128);

    EXPECT_EQ(ShownText("+"), "");
    EXPECT_EQ(ShownText("Hallo"), "allo"); // an ordinary letter is dropped all the same
    EXPECT_EQ(ShownText(""), "");
    EXPECT_EQ(ShownText("-[1/2] Fehler"), "[1/2] Fehler");
}

TEST(RunLog, BusyStateClearsAbortOnlyWhenAnOperationBegins)
{
    TRecordingHost host;
    EXPECT_FALSE(host.Busy());
    host.RequestAbort();
    host.BeginBusy();
    EXPECT_TRUE(host.Busy());
    EXPECT_FALSE(host.AbortRequested());
    host.RequestAbort();
    host.EndBusy(Page::PLog);
    EXPECT_FALSE(host.Busy());
    EXPECT_TRUE(host.AbortRequested()); // still readable after the loop
    ASSERT_EQ(host.BusyEvents.size(), 2u);
    EXPECT_TRUE(host.BusyEvents[0].Busy);
    EXPECT_FALSE(host.BusyEvents[1].Busy);
    EXPECT_EQ(host.BusyEvents[1].Target, Page::PLog);

    host.Log("");
    host.Log("");
    host.Log("/x");
    EXPECT_EQ(host.Lines(), (Lines { "", "/x" }));
}

TEST(RunLog, RecordingHostPressesAbortOnTheChosenPump)
{
    TRecordingHost host;
    host.AbortOnPump = 2;
    host.BeginBusy();
    host.ProcessEvents();
    EXPECT_FALSE(host.AbortRequested());
    host.ProcessEvents();
    EXPECT_TRUE(host.AbortRequested());
    const std::uint32_t start = host.Clock().TickCount();
    host.Clock().Pause(500);
    EXPECT_EQ(host.Clock().TickCount() - start, 500u);
}

TEST(RunLog, BrokenUtf8IsStoredAsReplacementCharacters)
{
    // A file name from an old Latin-1 archive, a sequence cut short, an overlong form and a
    // surrogate: one U+FFFD for each longest broken beginning, the rest kept.
    TRunLog log;
    log.Log("-[1/1] Fehler: /fotos/B\xE4r.jpg");
    log.Log("*\xE2\x82x\xF0\x9F\x98");
    log.Log("_\xC0\xAF|\xED\xA0\x80|ü€😀");
    EXPECT_EQ(log.Lines(),
        (Lines { "-[1/1] Fehler: /fotos/B\uFFFDr.jpg", "*\uFFFDx\uFFFD", "_\uFFFD\uFFFD|\uFFFD\uFFFD\uFFFD|ü€😀" }));
    for (const std::string& line : log.Lines())
        EXPECT_TRUE(IsValidUtf8(line));
}
