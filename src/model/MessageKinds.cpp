#include "model/MessageKinds.h"

#include <algorithm>
#include <array>

namespace korvo {

namespace {

    constexpr RgbColour Black { 0, 0, 0 };
    constexpr RgbColour Blue { 0, 0, 255 };
    constexpr RgbColour Grey { 128, 128, 128 };
    constexpr RgbColour Red { 255, 0, 0 };
    constexpr RgbColour Green { 0, 128, 0 };

    constexpr std::string_view TerminalBlue = "\033[34m";
    constexpr std::string_view TerminalGrey = "\033[90m";
    constexpr std::string_view TerminalRed = "\033[31m";
    constexpr std::string_view TerminalGreen = "\033[32m";

    // The program writes the first five kinds only. The six after them are colour marks the log
    // has always accepted beside those: no message of ours starts with one, but a line that does
    // (a text logged as it came) keeps the colour it always had. Each character names its
    // colour: "!" alarm, "E" error, "R" red, "G" green, "B" blue, "0" grey.
    constexpr std::array Kinds {
        MessageKind { '/', "header: opens an operation, greets the user", MessageColour::Blue, Blue, TerminalBlue },
        MessageKind { '*', "progress: one item done, a file written", MessageColour::WindowText, Black, {} },
        MessageKind { '_', "detail: a sub-step, an item skipped", MessageColour::Grey, Grey, TerminalGrey },
        MessageKind { '-', "error or the abort notice", MessageColour::Red, Red, TerminalRed },
        MessageKind { '+', "summary of an operation, a new destination", MessageColour::Green, Green, TerminalGreen },
        MessageKind { '!', "colour mark: red", MessageColour::Red, Red, TerminalRed },
        MessageKind { 'E', "colour mark: red", MessageColour::Red, Red, TerminalRed },
        MessageKind { 'R', "colour mark: red", MessageColour::Red, Red, TerminalRed },
        MessageKind { 'G', "colour mark: green", MessageColour::Green, Green, TerminalGreen },
        MessageKind { 'B', "colour mark: blue", MessageColour::Blue, Blue, TerminalBlue },
        MessageKind { '0', "colour mark: grey", MessageColour::Grey, Grey, TerminalGrey },
    };

    constexpr MessageKind Unnamed { '\0', "none: drawn in the window-text colour", MessageColour::WindowText, Black,
        {} };

} // namespace

std::span<const MessageKind> MessageKinds() { return Kinds; }

const MessageKind& KindOfMessage(char kind)
{
    const auto* row
        = std::find_if(Kinds.begin(), Kinds.end(), [kind](const MessageKind& k) { return k.Character == kind; });
    return row == Kinds.end() ? Unnamed : *row;
}

MessageColour MessageKindColour(char kind) { return KindOfMessage(kind).Colour; }

RgbColour MessageColourRgb(MessageColour colour)
{
    const auto* row
        = std::find_if(Kinds.begin(), Kinds.end(), [colour](const MessageKind& k) { return k.Colour == colour; });
    return row == Kinds.end() ? Black : row->Window;
}

} // namespace korvo
