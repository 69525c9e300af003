// What the console host writes for each kind of log line: the colours a terminal shows, the raw
// lines, and plain lines when colour is off.

#include "cli/ConsoleHost.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

using namespace korvo;

namespace {

// What a console host with the given mode writes for one message.
std::string Written(std::string_view message, bool raw, bool colour)
{
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&buffer, &size);
    if (!out)
        return "(no stream)";
    {
        TConsoleHost host(out, raw, colour);
        host.Log(message);
    }
    std::fclose(out);
    const std::unique_ptr<char, decltype(&std::free)> owned(buffer, &std::free);
    return std::string(buffer, size);
}

} // namespace

TEST(ConsoleHost, EveryKindHasItsTerminalColourAndRawLinesKeepTheirKind)
{
    const struct {
        std::string_view Message;
        std::string Coloured;
    } cases[] = {
        { "/Kopf", "\033[34mKopf\033[0m\n" },
        { "*Fortschritt", "Fortschritt\n" },
        { "_Einzelheit", "\033[90mEinzelheit\033[0m\n" },
        { "-Fehler", "\033[31mFehler\033[0m\n" },
        { "+Summe", "\033[32mSumme\033[0m\n" },
        { "!Alarm", "\033[31mAlarm\033[0m\n" },
        { "Erot", "\033[31mrot\033[0m\n" },
        { "Rrot", "\033[31mrot\033[0m\n" },
        { "Ggrün", "\033[32mgrün\033[0m\n" },
        { "Bblau", "\033[34mblau\033[0m\n" },
        { "0grau", "\033[90mgrau\033[0m\n" },
        { "xBuchstabe", "Buchstabe\n" },
        { "eklein", "klein\n" },
        { "+", "\033[32m\033[0m\n" },
        { "", "\n" },
    };
    for (const auto& c : cases) {
        const std::string message(c.Message);
        EXPECT_EQ(Written(message, false, true), c.Coloured) << message;
        EXPECT_EQ(Written(message, false, false), std::string(ShownText(message)) + "\n") << message;
        // Raw lines are for scripts: the kind stays, no colour even when asked for.
        EXPECT_EQ(Written(message, true, true), message + "\n") << message;
    }
}
